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

constexpr const char* usageText =
    "usage: brenvoss-vendor-server (--root DIR | --demo DIR) [--port N] [--https [--ca-file PATH]]\n"
    "  --root DIR      serve the vendor tree in DIR, an existing folder\n"
    "  --demo DIR      generate the demo vendor tree into DIR for this server, then serve it\n"
    "  --port N        listen on 127.0.0.1:N (default 0: a free port)\n"
    "  --https         serve over TLS with a new certificate authority\n"
    "  --ca-file PATH  where to write that authority (default: in the temporary folder)\n"
    "  -h, --help      print this help\n";

// A wrong command line: what was wrong, then the usage; exit status 2.
int usageError(const std::string& problem)
{
    std::cerr << "brenvoss-vendor-server: " << problem << "\n" << usageText;
    return 2;
}

std::optional<int> portNumber(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int port = std::stoi(text);
    return port <= 65535 ? std::optional<int>(port) : std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    std::optional<fs::path> root, demo, caFile;
    int port = 0;
    bool https = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-h" || option == "--help") {
            std::cout << usageText;
            return 0;
        }
        if (option == "--https") {
            https = true;
            continue;
        }
        if (option != "--root" && option != "--demo" && option != "--ca-file" && option != "--port")
            return usageError("unknown option '" + option + "'");
        if (i + 1 >= argc)
            return usageError(option + " needs a value");
        const std::string value = argv[++i];
        if (option == "--root") {
            root = fs::absolute(value);
        } else if (option == "--demo") {
            demo = fs::absolute(value);
        } else if (option == "--ca-file") {
            caFile = fs::absolute(value);
        } else if (const std::optional<int> number = portNumber(value)) {
            port = *number;
        } else {
            return usageError("--port: '" + value + "' is not a port number");
        }
    }
    if (root && demo)
        return usageError("--root and --demo cannot be combined");
    if (!root && !demo)
        return usageError("--root DIR or --demo DIR is needed");
    if (caFile && !https)
        return usageError("--ca-file needs --https");
    // A folder to serve must be there already: a mistyped one would be
    // served empty.
    std::error_code error;
    if (root && !fs::is_directory(*root, error)) {
        std::cerr << "brenvoss-vendor-server: --root: '" << root->string() << "' is not an existing folder\n";
        return 1;
    }

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
        if (demo)
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
