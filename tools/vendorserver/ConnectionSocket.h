#pragma once

namespace httplib {
struct Request;
}

// Shuts down, in both directions, the connection that `request` came in on,
// so the client sees it closed without any answer. cpp-httplib does not hand
// a handler its socket: over TLS the socket comes from the request's SSL
// session, over plain HTTP it is the process's socket whose two ends are the
// request's local and remote addresses.
void shutdownConnection(const httplib::Request& request);
