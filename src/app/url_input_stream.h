// http:// and https:// resources fetched with libcurl and handed out in
// blocks of 8192 bytes.
//
// https:// answers are accepted only from a server whose certificate chain
// verifies against the system's certificate store (and the host name
// matches); verification is never switched off. ORVELLA_CA_FILE, when set and
// not empty, names a PEM file of further certificates to trust (a test
// server's, a company's own authority).
#pragma once

#include <memory>
#include <string>

#include "app/peekable_stream.h"

// The environment variable naming an extra file of trusted certificates.
inline constexpr char kCaFileVariable[] = "ORVELLA_CA_FILE";

// Opens the URL (connects and receives the response head). Null when the
// resource cannot be reached; for an https:// URL (or an http:// one
// redirected to a secure server that failed the check) the reason (a
// certificate that does not verify, a refused connection) is written to
// standard error as one line "viewer: cannot open URL: REASON".
// When given, failure receives the reason of a failed open, and httpStatus
// the status of the answer's head (0 when none arrived).
std::unique_ptr<PeekableStream> openUrlStream(const std::string& url, std::string* failure = nullptr,
                                              long* httpStatus = nullptr);
