#include "output/curlshared.h"

#include <cctype>
#include <mutex>

namespace pinora::curlshared {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void setCommonOptions(CURL* h, char* errbuf, const char* protocols, long connectTimeoutMs) {
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols);
#else
    (void)protocols;
#endif
    curl_easy_setopt(h, CURLOPT_PROXY, ""); // also overrides the proxy variables
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
}

bool append(List& list, const std::string& s) {
    curl_slist* l = curl_slist_append(list.get(), s.c_str());
    if (l == nullptr) return false;
    (void)list.release(); // l is the same list, one item longer
    list.reset(l);
    return true;
}

size_t onReplyLine(char* data, size_t size, size_t count, void* user) {
    const size_t n = size * count;
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ')
        *static_cast<std::string*>(user) = line;
    return n;
}

bool isRefusal(const std::string& reply) {
    return !reply.empty() && (reply[0] == '4' || reply[0] == '5');
}

bool withoutReply(CURLcode rc) {
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_READ_ERROR:
    case CURLE_URL_MALFORMAT:
    case CURLE_OUT_OF_MEMORY:
        return true;
    default:
        return false;
    }
}

std::string failureText(CURLcode rc, const char* errbuf, const std::string& lastReply) {
    std::string text = errbuf != nullptr && errbuf[0] != '\0' ? errbuf : curl_easy_strerror(rc);
    if (!withoutReply(rc) && isRefusal(lastReply) && text.find(lastReply) == std::string::npos)
        text += "\nServer reply: " + lastReply;
    return text;
}

} // namespace pinora::curlshared
