// The notice page as one e-mail: the MIME text (no network) and its sending over SMTP.
#pragma once

#include "db/database.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace pinora {

struct MailMessage {
    std::string from;            // bare addresses (plainAddress)
    std::vector<std::string> to;
    std::string subject;         // UTF-8
    std::string date;            // as rfc5322Date writes it
    std::string messageId;       // without the angle brackets
    std::string text;            // UTF-8; lines end with CR LF or LF
    std::string html;            // the page's bytes, sent as they are
    std::string htmlCharset = "windows-1252";
    std::string logo;            // logo.gif's bytes; empty for none
    std::string tag;             // unique to the message: boundaries and the logo's Content-ID
};

// The whole message with CR LF line ends and no line over 78 characters (but for an address
// that is longer on its own; never over 998). With a logo:
// multipart/alternative of the text and a multipart/related of the page and the logo, whose
// first kPageLogoTag in the page points at the logo's Content-ID; without: the text and the
// page as alternatives. The text goes quoted-printable, the page and the logo base64.
std::string buildMailMessage(const MailMessage& m);

// The page's logo reference as the message's page has it: <img src="cid:...">.
std::string mailLogoTag(const std::string& tag);

// Quoted-printable with CR LF line ends; lines end where the text's lines end (CR LF or LF).
std::string quotedPrintable(std::string_view text);
// Base64 in lines of 76 characters, each ending with CR LF.
std::string base64Lines(std::string_view bytes);
// A header's value as is when it is printable ASCII, else as RFC 2047 encoded words (UTF-8,
// base64), folded so that no line of the header is longer than 78 characters.
std::string headerText(std::string_view utf8, std::size_t nameLength);

// "Wed, 09 Dec 2026 07:30:00 +0100" in the local time zone.
std::string rfc5322Date(std::time_t t);

// A bare address local@domain with nothing that could break a header or an SMTP command.
bool plainAddress(std::string_view address);

// The notices of the page of the set and day as text, UTF-8: each notice's lines (with the
// editor's markup turned into plain text: <br> a line break, a picture "[picture]"), its
// signature as the page shows it on a line of its own, an empty line between notices, and
// numbers when the page numbers them. count gets the number of notices. Uses the tables in
// memory (makeNoticePage has just reloaded them).
bool noticeMailText(const Database& db, int setNumber, TDateTime day, std::string& text,
                    int& count, std::string* error = nullptr);

struct SmtpSettings {
    std::string url;          // smtp://host[:port] or smtps://host[:port]
    bool requireTls = false;  // smtp:// refuses to go on without STARTTLS
    std::string user;         // empty: no logon
    std::string password;
    int timeoutMs = 10000;    // connecting, and the whole exchange
};

struct MailResult {
    bool ok = false;
    std::string error; // the client's text when !ok
};

// True for smtp:// and smtps:// URLs (in any letter case) with a host and no user or password.
bool smtpUrl(std::string_view url);

// One connection: STARTTLS when offered (required with requireTls), logon when a user is
// given, the message to every address of to, QUIT.
MailResult sendMail(const SmtpSettings& settings, const std::string& from,
                    const std::vector<std::string>& to, const std::string& message);

} // namespace pinora
