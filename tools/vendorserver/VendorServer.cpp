#include "vendorserver/VendorServer.h"

#include "vendorserver/ConnectionSocket.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <mutex>
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// What a response's body comes from: bytes in memory, or a file read piece
// by piece as the client takes it, so a large package is never held whole.
struct BodySource
{
    std::shared_ptr<const std::string> memory;
    std::shared_ptr<std::ifstream> file;
    std::size_t size = 0;

    bool read(std::size_t offset, std::size_t length, std::string& into) const
    {
        if (memory) {
            into.assign(*memory, offset, length);
            return true;
        }
        into.resize(length);
        file->seekg(static_cast<std::streamoff>(offset));
        file->read(into.data(), static_cast<std::streamsize>(length));
        return file->gcount() == static_cast<std::streamsize>(length);
    }
};

std::string contentTypeFor(const std::string& path)
{
    const std::string extension = fs::path(path).extension().string();
    if (extension == ".json")
        return "application/json";
    if (extension == ".txt")
        return "text/plain; charset=utf-8";
    if (extension == ".html")
        return "text/html; charset=utf-8";
    if (extension == ".plist" || extension == ".xml")
        return "application/xml";
    return "application/octet-stream";
}

bool hasDotDotSegment(const std::string& path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (path.compare(start, end - start, "..") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

bool isWithin(const fs::path& path, const fs::path& folder)
{
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

bool isPseudoHeader(const std::string& name)
{
    // cpp-httplib adds the connection's addresses to the request headers.
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

} // namespace

std::optional<std::string> RecordedRequest::header(const std::string& name) const
{
    const auto sameName = [&](const std::string& candidate) {
        return std::equal(candidate.begin(), candidate.end(), name.begin(), name.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    };
    for (const auto& [key, value] : headers) {
        if (sameName(key))
            return value;
    }
    return std::nullopt;
}

struct VendorServer::Impl
{
    std::string documentRoot;
    std::optional<TlsIdentity> tls;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::map<std::string, Fault> faults;
    std::map<std::string, std::shared_ptr<const std::string>> files;
    std::vector<RecordedRequest> requests;

    std::unique_ptr<httplib::Server> makeServer() const;
    void record(const httplib::Request& request);
    std::optional<BodySource> find(const std::string& path) const;
    void answer(const httplib::Request& request, httplib::Response& response);
    bool sleepUnlessStopping(int milliseconds);
};

std::unique_ptr<httplib::Server> VendorServer::Impl::makeServer() const
{
    if (!tls)
        return std::make_unique<httplib::Server>();
    const auto pemBio = [](const std::string& pem) {
        return std::unique_ptr<BIO, decltype(&BIO_free)>(
            BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
    };
    auto certificateBio = pemBio(tls->serverCertificatePem);
    auto keyBio = pemBio(tls->serverKeyPem);
    std::unique_ptr<X509, decltype(&X509_free)> certificate(
        PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr), &X509_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
    if (!certificate || !key)
        return nullptr;
    // The SSL context takes its own references to both.
    return std::make_unique<httplib::SSLServer>(certificate.get(), key.get());
}

void VendorServer::Impl::record(const httplib::Request& request)
{
    RecordedRequest recorded;
    recorded.method = request.method;
    recorded.path = request.path;
    const auto question = request.target.find('?');
    if (question != std::string::npos)
        recorded.query = request.target.substr(question + 1);
    for (const auto& [name, value] : request.headers) {
        if (!isPseudoHeader(name))
            recorded.headers.emplace(name, value);
    }
    std::lock_guard lock(mutex);
    requests.push_back(std::move(recorded));
}

std::optional<BodySource> VendorServer::Impl::find(const std::string& path) const
{
    {
        std::lock_guard lock(mutex);
        if (const auto it = files.find(path); it != files.end())
            return BodySource{it->second, nullptr, it->second->size()};
    }
    if (documentRoot.empty() || path.empty() || path.front() != '/' || hasDotDotSegment(path) ||
        path.find('\0') != std::string::npos)
        return std::nullopt;
    std::error_code error;
    const fs::path base = fs::canonical(documentRoot, error);
    if (error)
        return std::nullopt;
    // Resolving links and checking the result keeps a link inside the tree
    // from serving a file outside it.
    const fs::path file = fs::canonical(base / path.substr(1), error);
    if (error || !isWithin(file, base) || !fs::is_regular_file(file, error))
        return std::nullopt;
    auto stream = std::make_shared<std::ifstream>(file, std::ios::binary);
    const auto size = fs::file_size(file, error);
    if (!*stream || error)
        return std::nullopt;
    return BodySource{nullptr, std::move(stream), static_cast<std::size_t>(size)};
}

bool VendorServer::Impl::sleepUnlessStopping(int milliseconds)
{
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping; });
}

void VendorServer::Impl::answer(const httplib::Request& request, httplib::Response& response)
{
    record(request);
    Fault fault;
    {
        std::lock_guard lock(mutex);
        if (const auto it = faults.find(request.path); it != faults.end())
            fault = it->second;
    }
    if (fault.delayMs > 0 && !sleepUnlessStopping(fault.delayMs)) {
        response.status = 503;
        return;
    }
    if (fault.dropConnection) {
        shutdownConnection(request);
        response.status = 500; // never reaches the client
        return;
    }
    if (!fault.redirectTo.empty()) {
        response.status = 302;
        response.set_header("Location", fault.redirectTo);
        return;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        response.status = 405;
        response.set_content("method not allowed\n", "text/plain");
        return;
    }

    // These statuses never carry a body; sending one would break the framing.
    const bool bodiless =
        fault.status == 204 || fault.status == 304 || (fault.status > 0 && fault.status < 200);
    std::optional<BodySource> source;
    if (fault.body && !bodiless)
        source = BodySource{std::make_shared<const std::string>(*fault.body), nullptr, fault.body->size()};
    else if (fault.status == 0 || (fault.status >= 200 && fault.status < 300 && !bodiless))
        source = find(request.path);
    if (fault.status != 0)
        response.status = fault.status;
    else
        response.status = source ? 200 : 404;
    if (!source) {
        if (!bodiless)
            response.set_content("status " + std::to_string(response.status) + "\n", "text/plain");
        return;
    }

    const std::size_t limit = std::min(source->size, fault.truncateAfterBytes.value_or(source->size));
    response.set_content_provider(
        source->size, contentTypeFor(request.path),
        [this, source = *source, limit](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            // Returning false closes the connection: a cut-off body, or a
            // server that is shutting down.
            if (offset >= limit)
                return false;
            {
                std::lock_guard lock(mutex);
                if (stopping)
                    return false;
            }
            std::string piece;
            if (!source.read(offset, std::min(kChunk, limit - offset), piece))
                return false;
            return sink.write(piece.data(), piece.size());
        });
}

VendorServer::VendorServer(std::string documentRoot) : m_impl(std::make_unique<Impl>())
{
    m_impl->documentRoot = std::move(documentRoot);
}

VendorServer::VendorServer(std::string documentRoot, const TlsIdentity& tls)
    : VendorServer(std::move(documentRoot))
{
    m_impl->tls = tls;
}

VendorServer::~VendorServer()
{
    stop();
}

bool VendorServer::start()
{
    return start(0);
}

bool VendorServer::start(int port)
{
    if (m_impl->server)
        return false;
    std::signal(SIGPIPE, SIG_IGN);
    auto server = m_impl->makeServer();
    if (!server || !server->is_valid())
        return false;
    // cpp-httplib's default is SO_REUSEPORT, with which a second server could
    // bind a port already in use and take part of its requests.
    server->set_socket_options([](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // One request per connection. cpp-httplib's stop() waits for idle
    // keep-alive connections to time out (5 s), which a test server that is
    // started and stopped many times cannot afford.
    server->set_keep_alive_max_count(1);
    server->set_pre_routing_handler(
        [impl = m_impl.get()](const httplib::Request& request, httplib::Response& response) {
            impl->answer(request, response);
            return httplib::Server::HandlerResponse::Handled;
        });
    const int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                                : (server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0)
        return false;
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopping = false;
    }
    m_impl->port = bound;
    m_impl->server = std::move(server);
    m_impl->thread = std::thread([server = m_impl->server.get()] { server->listen_after_bind(); });
    // cpp-httplib's stop() does nothing before the accept loop runs, and the
    // thread would then never end: wait for the loop before handing out the
    // server.
    while (!m_impl->server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void VendorServer::stop()
{
    if (!m_impl->server)
        return;
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopping = true;
    }
    m_impl->wake.notify_all();
    m_impl->server->stop();
    if (m_impl->thread.joinable())
        m_impl->thread.join();
    m_impl->server.reset();
}

int VendorServer::port() const
{
    return m_impl->port;
}

std::string VendorServer::baseUrl() const
{
    return std::string(m_impl->tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_impl->port);
}

void VendorServer::setFault(const std::string& path, Fault fault)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->faults[path] = std::move(fault);
}

void VendorServer::clearFaults()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->faults.clear();
}

void VendorServer::putFile(const std::string& path, std::string bytes)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->files[path] = std::make_shared<const std::string>(std::move(bytes));
}

std::vector<RecordedRequest> VendorServer::requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

void VendorServer::clearRequests()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->requests.clear();
}
