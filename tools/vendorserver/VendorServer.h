#pragma once

// A local stand-in for the vendor's download server, for tests and the demo:
// serves a folder (and bytes put in memory) on 127.0.0.1 over HTTP or HTTPS,
// records every request, and misbehaves on demand per path.

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct RecordedRequest
{
    std::string method, path, query; // path decoded, query as sent (without "?")
    std::multimap<std::string, std::string> headers;

    // The first value of header `name`, compared ignoring letter case.
    std::optional<std::string> header(const std::string& name) const;
};

// Every member has a default, so designated initializers can name only what
// they change: Fault{.status = 500}.
struct Fault
{                    // per path
    int status = 0;  // answer with this HTTP status (0 = serve normally)
    int delayMs = 0; // wait before answering
    std::optional<std::size_t>
        truncateAfterBytes{};          // announce full Content-Length, send this many body bytes, close
    bool dropConnection = false;       // close the connection without any response
    std::string redirectTo{};          // non-empty: answer 302 with this Location
    std::optional<std::string> body{}; // override the body
};

struct TlsIdentity
{
    std::string caCertificatePem, serverCertificatePem, serverKeyPem;
};

// A new certificate authority and a server certificate for 127.0.0.1 and
// localhost signed by it, valid from an hour ago for 30 days. Throws
// std::runtime_error when OpenSSL fails.
TlsIdentity generateTlsIdentity();

class VendorServer
{
public:
    explicit VendorServer(std::string documentRoot);                // HTTP
    VendorServer(std::string documentRoot, const TlsIdentity& tls); // HTTPS
    ~VendorServer();                                                // stops
    VendorServer(const VendorServer&) = delete;
    VendorServer& operator=(const VendorServer&) = delete;

    // Binds 127.0.0.1 on a free port (or on `port` when it is not 0) and
    // serves on a thread of its own. False when binding fails or it already
    // runs. Ignores SIGPIPE for the whole process: a client that hangs up
    // early must not end it.
    bool start();
    bool start(int port);
    // Stops serving; waits that are under way (delays) end at once. Safe to
    // call more than once.
    void stop();
    int port() const;            // 0 before start
    std::string baseUrl() const; // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT"

    // Faults apply to requests whose decoded path equals `path` exactly.
    void setFault(const std::string& path, Fault fault);
    void clearFaults();

    // Serves `bytes` at `path` (before anything of the document root).
    void putFile(const std::string& path, std::string bytes);

    std::vector<RecordedRequest> requests() const; // thread-safe copy, in arrival order
    void clearRequests();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
