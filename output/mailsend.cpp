// The thin part of the mail that talks to the server: libcurl's SMTP client.
#include "output/mail.h"

#include "output/curlshared.h"

#include "db/text.h"

#include <cstring>

namespace pinora {

namespace {

struct Reader {
    const std::string* data;
    std::size_t at = 0;
};

size_t readMessage(char* buf, size_t size, size_t count, void* user) {
    auto* r = static_cast<Reader*>(user);
    const std::size_t n = std::min(size * count, r->data->size() - r->at);
    std::memcpy(buf, r->data->data() + r->at, n);
    r->at += n;
    return n;
}

} // namespace

bool smtpUrl(std::string_view url) {
    const std::string u = upperAscii(url);
    std::size_t host = 0;
    if (u.rfind("SMTP://", 0) == 0) host = 7;
    else if (u.rfind("SMTPS://", 0) == 0) host = 8;
    else return false;
    // A user or password in the address would sit in a file every station reads.
    const std::string authority = u.substr(host, u.find('/', host) - host);
    return !authority.empty() && authority[0] != ':' &&
           authority.find('@') == std::string::npos &&
           u.find_first_of(std::string("\r\n\0 ", 4)) == std::string::npos;
}

MailResult sendMail(const SmtpSettings& s, const std::string& from,
                    const std::vector<std::string>& to, const std::string& message) {
    MailResult result;
    if (!smtpUrl(s.url)) {
        result.error = "Not an smtp:// or smtps:// address: \"" + s.url + "\"";
        return result;
    }
    curlshared::initCurlOnce();
    curlshared::Easy easy(curl_easy_init());
    curlshared::List rcpt;
    for (const std::string& a : to)
        if (!curlshared::append(rcpt, "<" + a + ">")) easy.reset();
    if (!easy || !rcpt) {
        result.error = "The mail client could not be started";
        return result;
    }
    CURL* h = easy.get();
    char errbuf[CURL_ERROR_SIZE] = {};
    std::string lastReply;
    Reader reader{&message};
    const std::string mailFrom = "<" + from + ">";
    curlshared::setCommonOptions(h, errbuf, "smtp,smtps", static_cast<long>(s.timeoutMs));
    curl_easy_setopt(h, CURLOPT_URL, s.url.c_str());
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(s.timeoutMs));
    // smtps:// is encrypted from the start; for smtp:// this asks for STARTTLS. A password
    // never crosses the network in clear.
    const bool tlsOnly = s.requireTls || !s.user.empty();
    curl_easy_setopt(h, CURLOPT_USE_SSL,
                     static_cast<long>(tlsOnly ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    if (!s.user.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, s.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, s.password.c_str());
    }
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt.get());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(h, CURLOPT_READDATA, &reader);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, curlshared::onReplyLine);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &lastReply);
    const CURLcode rc = curl_easy_perform(h);
    if (rc != CURLE_OK) {
        result.error = curlshared::failureText(rc, errbuf, lastReply);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace pinora
