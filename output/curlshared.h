// What the FTP upload and the mail share of libcurl.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>

namespace pinora::curlshared {

void initCurlOnce();

struct EasyCleanup {
    void operator()(CURL* h) const { curl_easy_cleanup(h); } // says goodbye, closes
};
struct ListCleanup {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Easy = std::unique_ptr<CURL, EasyCleanup>;
using List = std::unique_ptr<curl_slist, ListCleanup>;

// What every transfer of ours sets: the error buffer (CURL_ERROR_SIZE), the protocols allowed
// ("ftp", "smtp,smtps"), no proxy whatever the environment says, no signals, and the time to
// connect.
void setCommonOptions(CURL* h, char* errbuf, const char* protocols, long connectTimeoutMs);

// Appends s to list; false when out of memory (the list stays as it was).
bool append(List& list, const std::string& s);

// A header callback that keeps the last complete reply line of the server ("535 ..."), with
// user pointing at a std::string, so that a refusal can be quoted.
size_t onReplyLine(char* data, size_t size, size_t count, void* user);

bool isRefusal(const std::string& reply);

// Failures in which the server said nothing new: its last reply belongs to an earlier step.
bool withoutReply(CURLcode rc);

// The client's text for rc (its error buffer when it wrote one), with the server's refusal
// when it sent one and the text does not already quote it.
std::string failureText(CURLcode rc, const char* errbuf, const std::string& lastReply);

} // namespace pinora::curlshared
