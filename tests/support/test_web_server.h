// A web server for tests: python3's http.server serving one folder on a free
// port of 127.0.0.1, over plain HTTP or, given a certificate and its key,
// over HTTPS. Started by the constructor, stopped (by its process id) by the
// destructor; it also ends by itself when the test process goes away, since
// its standard input is the test's pipe.
#pragma once

#include <sys/types.h>

#include <string>

class TestWebServer {
public:
    // Plain HTTP when certificate is empty; else HTTPS with the PEM
    // certificate and key files.
    explicit TestWebServer(const std::string& folder, const std::string& certificate = std::string(),
                           const std::string& key = std::string());
    ~TestWebServer();
    TestWebServer(const TestWebServer&) = delete;
    TestWebServer& operator=(const TestWebServer&) = delete;

    // False when python3 could not be started or reported no port.
    bool running() const { return pid_ > 0 && port_ > 0; }
    // "http://127.0.0.1:PORT" (or https://) followed by the path, which starts with "/".
    std::string url(const std::string& path) const;

private:
    bool secure_;
    pid_t pid_ = -1;
    int port_ = 0;
    int lifeline_ = -1;  // write end of the server's standard input
};

// Makes a self-signed certificate for the host name or IP address and its
// key with openssl; false when openssl is missing or fails.
bool makeTestCertificate(const std::string& certificate, const std::string& key, const std::string& host);
