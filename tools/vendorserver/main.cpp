// brenvoss-vendor-server: serves a vendor tree on 127.0.0.1 until it is
// stopped (SIGINT or SIGTERM).
//
//   brenvoss-vendor-server --root DIR [--port N] [--https [--ca-file PATH]]
//   brenvoss-vendor-server --demo DIR [--port N] [--https [--ca-file PATH]]
//
// --demo (re)generates the demo vendor tree into DIR once the port is known,
// since the catalogues hold absolute package addresses. The first line on
// standard output is "listening on <base URL>"; with --https the line before
// it names the file that holds the certificate authority to trust.
#include "simmac/DemoVendor.h"
#include "vendorserver/VendorServer.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <pthread.h>

namespace fs = std::filesystem;

namespace {

int usage()
{
    std::cerr
        << "usage: brenvoss-vendor-server (--root DIR | --demo DIR) [--port N] [--https [--ca-file PATH]]\n";
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    std::optional<fs::path> root, demo, caFile;
    int port = 0;
    bool https = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--https") {
            https = true;
            continue;
        }
        if (i + 1 >= argc)
            return usage();
        const std::string value = argv[++i];
        if (option == "--root") {
            root = fs::absolute(value);
        } else if (option == "--demo") {
            demo = fs::absolute(value);
        } else if (option == "--ca-file") {
            caFile = fs::absolute(value);
        } else if (option == "--port") {
            try {
                port = std::stoi(value);
            } catch (const std::exception&) {
                return usage();
            }
            if (port < 0 || port > 65535)
                return usage();
        } else {
            return usage();
        }
    }
    if (root.has_value() == demo.has_value())
        return usage();

    // The serving threads must not take the stop signals: this thread waits
    // for them and shuts the server down cleanly. A parent may have left them
    // ignored, and an ignored signal never becomes pending, so restore the
    // default first.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        const fs::path tree = demo ? *demo : *root;
        fs::create_directories(tree);
        std::optional<TlsIdentity> tls;
        if (https)
            tls = generateTlsIdentity();
        VendorServer server = tls ? VendorServer(tree.string(), *tls) : VendorServer(tree.string());
        if (!server.start(port)) {
            std::cerr << "brenvoss-vendor-server: cannot listen on 127.0.0.1:" << port << "\n";
            return 1;
        }
        if (demo)
            generateDemoTree(*demo, server.baseUrl());
        if (tls) {
            const fs::path file = caFile.value_or(
                fs::temp_directory_path() / ("brenvoss-vendor-ca-" + std::to_string(server.port()) + ".pem"));
            std::ofstream(file) << tls->caCertificatePem;
            std::cout << "certificate authority " << file.string() << "\n";
        }
        std::cout << "listening on " << server.baseUrl() << std::endl;

        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
    } catch (const std::exception& failure) {
        std::cerr << "brenvoss-vendor-server: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
