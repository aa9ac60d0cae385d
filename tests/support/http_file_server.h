// A small HTTP server for tests: python3's http.server serving one folder on
// a free port of 127.0.0.1, started by the constructor and stopped (by its
// process id) by the destructor. It also ends by itself when the test
// process goes away, since its standard input is the test's pipe.
#pragma once

#include <sys/types.h>

#include <string>

class HttpFileServer {
public:
    explicit HttpFileServer(const std::string& folder);
    ~HttpFileServer();
    HttpFileServer(const HttpFileServer&) = delete;
    HttpFileServer& operator=(const HttpFileServer&) = delete;

    // False when python3 could not be started or reported no port.
    bool running() const { return pid_ > 0 && port_ > 0; }
    // "http://127.0.0.1:PORT" followed by the path (which starts with "/").
    std::string url(const std::string& path) const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int lifeline_ = -1;  // write end of the server's standard input
};
