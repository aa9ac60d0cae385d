// An http:// or https:// resource pulled through libcurl's multi interface.
// Nothing runs in the background: the transfer advances only inside open
// (until the response head has arrived) and inside read (until a block of
// 8192 bytes is buffered or the transfer is over), so the one thread of the
// viewer decides when the network is served.
//
// The HTTP status is not examined: an error page's body is read like any
// other. A transfer that fails part-way ends the data after the bytes already
// received, and the reader of the world or image deals with the truncation.
//
// Both schemes share the limits below. For https:// libcurl checks the peer's
// certificate and host name against the system store (and ORVELLA_CA_FILE);
// the options are set explicitly so that no build default can weaken them.
#include "app/url_input_stream.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr long kConnectTimeoutSeconds = 10;  // an unreachable host fails within seconds
// A server that sends nothing for this long ends the data, so a stalled
// transfer cannot freeze the viewer for good.
constexpr long kStallLimitBytesPerSecond = 1;
constexpr long kStallSeconds = 60;
constexpr long kMaxRedirects = 10;
constexpr int kPollMilliseconds = 500;

void initCurlOnce() {
    static const CURLcode initialized = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialized;
}

bool startsWithNoCase(const char* text, std::size_t length, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (length < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != prefix[i]) return false;
    }
    return true;
}

bool isSecure(const std::string& url) { return url.compare(0, 8, "https://") == 0; }

class UrlInputStream final : public PeekableStream {
public:
    UrlInputStream() = default;
    ~UrlInputStream() override { close(); }
    UrlInputStream(const UrlInputStream&) = delete;
    UrlInputStream& operator=(const UrlInputStream&) = delete;

    // Starts the transfer and drives it until the final response head (or the
    // first body byte) has arrived. False when the transfer ended before that.
    bool open(const std::string& url);
    int32_t read() override;
    void close() override;
    int32_t peek(unsigned char* into, int32_t count) override;
    // Why the transfer failed, as libcurl tells it.
    std::string failure() const;
    // The status of the final response head, 0 before one arrived.
    long status() const { return headReceived_ ? status_ : 0; }
    // The transfer failed on the secure connection (the certificate, the
    // host name, the trusted file): also after a redirect from http://.
    bool failedSecurely() const;

private:
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    bool configure(const std::string& url);
    // Runs the transfer until done() holds or the transfer is over.
    template <class Done>
    void driveUntil(Done done);
    void performOnce();
    std::size_t available() const { return incoming_.size() - incomingStart_; }
    bool refill();

    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    bool running_ = false;
    CURLcode result_ = CURLE_OK;  // how the transfer ended
    char errorText_[CURL_ERROR_SIZE] = {};
    // Response head tracking: redirects and interim answers are not the head.
    long status_ = 0;
    bool sawLocation_ = false;
    bool headReceived_ = false;
    // Body bytes received but not yet moved into buffer_.
    std::vector<unsigned char> incoming_;
    std::size_t incomingStart_ = 0;
    unsigned char buffer_[kBlockSize];
    uint32_t count_ = 0;    // bytes valid in buffer_
    int32_t position_ = 0;  // next byte to hand out
};

std::size_t UrlInputStream::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* stream = static_cast<UrlInputStream*>(self);
    const std::size_t bytes = size * count;
    stream->incoming_.insert(stream->incoming_.end(), data, data + bytes);
    return bytes;
}

std::size_t UrlInputStream::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* stream = static_cast<UrlInputStream*>(self);
    const std::size_t bytes = size * count;
    if (startsWithNoCase(data, bytes, "http/")) {
        // "HTTP/1.1 302 Found": a new response head begins.
        const char* space = static_cast<const char*>(std::memchr(data, ' ', bytes));
        long status = 0;
        for (const char* p = space ? space + 1 : data + bytes; p < data + bytes && *p >= '0' && *p <= '9'; ++p)
            status = status * 10 + (*p - '0');
        stream->status_ = status;
        stream->sawLocation_ = false;
    } else if (startsWithNoCase(data, bytes, "location:")) {
        stream->sawLocation_ = true;
    } else if ((bytes == 2 && data[0] == '\r' && data[1] == '\n') || (bytes == 1 && data[0] == '\n')) {
        const bool interim = stream->status_ < 200;
        const bool followed = stream->status_ >= 300 && stream->status_ < 400 && stream->sawLocation_;
        if (!interim && !followed) stream->headReceived_ = true;
    }
    return bytes;
}

bool UrlInputStream::configure(const std::string& url) {
    headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
    headers_ = curl_slist_append(headers_, "Pragma: no-cache");
    if (!headers_) return false;
    bool ok = true;
    ok &= curl_easy_setopt(easy_, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_USERAGENT, "Orvella") == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK;
    // The name's own scheme only (the prefix chose it); redirects may move
    // between the two, as browsers let them.
#if LIBCURL_VERSION_NUM >= 0x075500
    ok &= curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, isSecure(url) ? "https" : "http") == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
#else
    ok &= curl_easy_setopt(easy_, CURLOPT_PROTOCOLS,
                           static_cast<long>(isSecure(url) ? CURLPROTO_HTTPS : CURLPROTO_HTTP)) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS,
                           static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS)) == CURLE_OK;
#endif
    ok &= curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    const char* caFile = std::getenv(kCaFileVariable);
    if (caFile && caFile[0] != '\0') ok &= curl_easy_setopt(easy_, CURLOPT_CAINFO, caFile) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorText_) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, kStallLimitBytesPerSecond) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, kStallSeconds) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &UrlInputStream::onBody) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &UrlInputStream::onHeader) == CURLE_OK;
    ok &= curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this) == CURLE_OK;
    return ok;
}

bool UrlInputStream::open(const std::string& url) {
    initCurlOnce();
    multi_ = curl_multi_init();
    easy_ = curl_easy_init();
    if (!multi_ || !easy_ || !configure(url)) return false;
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) return false;
    running_ = true;
    driveUntil([this] { return headReceived_ || available() > 0; });
    return headReceived_ || available() > 0;
}

void UrlInputStream::performOnce() {
    int stillRunning = 0;
    if (curl_multi_perform(multi_, &stillRunning) != CURLM_OK) stillRunning = 0;
    if (stillRunning != 0) return;
    // Whether it ended well or not, a finished transfer just ends the data;
    // how it ended is kept for the message of a failed open.
    running_ = false;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg == CURLMSG_DONE) result_ = message->data.result;
    }
}

template <class Done>
void UrlInputStream::driveUntil(Done done) {
    while (running_) {
        performOnce();
        if (!running_ || done()) return;
        curl_multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
    }
}

bool UrlInputStream::refill() {
    if (!multi_) return false;
    driveUntil([this] { return available() >= static_cast<std::size_t>(kBlockSize); });
    const std::size_t bytes = std::min(available(), static_cast<std::size_t>(kBlockSize));
    count_ = static_cast<uint32_t>(bytes);
    position_ = 0;
    if (bytes == 0) return false;
    std::memcpy(buffer_, incoming_.data() + incomingStart_, bytes);
    incomingStart_ += bytes;
    if (incomingStart_ == incoming_.size()) {
        incoming_.clear();
        incomingStart_ = 0;
    }
    return true;
}

int32_t UrlInputStream::peek(unsigned char* into, int32_t count) {
    if (count > kBlockSize) count = kBlockSize;
    const auto wanted = static_cast<std::size_t>(count);
    const std::size_t buffered = count_ - static_cast<uint32_t>(position_);
    if (multi_) driveUntil([&] { return buffered + available() >= wanted; });
    const std::size_t copied = std::min(buffered, wanted);
    if (copied > 0) std::memcpy(into, buffer_ + position_, copied);
    const std::size_t more = std::min(available(), wanted - copied);
    if (more > 0) std::memcpy(into + copied, incoming_.data() + incomingStart_, more);
    return static_cast<int32_t>(copied + more);
}

std::string UrlInputStream::failure() const {
    if (errorText_[0] != '\0') return errorText_;
    if (result_ != CURLE_OK) return curl_easy_strerror(result_);
    return "the transfer ended before an answer";
}

bool UrlInputStream::failedSecurely() const {
    return result_ == CURLE_PEER_FAILED_VERIFICATION || result_ == CURLE_SSL_CONNECT_ERROR ||
           result_ == CURLE_SSL_CACERT_BADFILE || result_ == CURLE_SSL_CERTPROBLEM;
}

int32_t UrlInputStream::read() {
    if (static_cast<uint32_t>(position_) == count_) {
        if (!refill()) {
            close();
            return -1;
        }
    }
    return buffer_[position_++];
}

void UrlInputStream::close() {
    if (multi_ && easy_) curl_multi_remove_handle(multi_, easy_);
    if (easy_) curl_easy_cleanup(easy_);
    if (multi_) curl_multi_cleanup(multi_);
    if (headers_) curl_slist_free_all(headers_);
    easy_ = nullptr;
    multi_ = nullptr;
    headers_ = nullptr;
    running_ = false;
    incoming_.clear();
    incomingStart_ = 0;
    count_ = 0;
    position_ = 0;
}

}  // namespace

std::unique_ptr<PeekableStream> openUrlStream(const std::string& url, std::string* failure, long* httpStatus) {
    auto stream = std::make_unique<UrlInputStream>();
    const bool opened = stream->open(url);
    if (httpStatus) *httpStatus = stream->status();
    if (!opened) {
        if (failure) *failure = stream->failure();
        // A plain http:// failure is reported by the caller alone; a secure
        // one says why, since a certificate problem is the user's to mend.
        if (isSecure(url) || stream->failedSecurely())
            std::fprintf(stderr, "viewer: cannot open %s: %s\n", url.c_str(), stream->failure().c_str());
        return nullptr;
    }
    return stream;
}
