// The tool's own text helpers: JSON strings, terminal-safe texts, days and dates.
#include "cli/json.h"
#include "cli/pinoractl.h"
#include "json_check.h"

#include "db/datetime.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::cli;

TEST(JsonText, EscapesWhatJsonForbidsAndKeepsTheRest) {
    EXPECT_EQ(jsonString("plain"), "\"plain\"");
    EXPECT_EQ(jsonString("a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(jsonString("\b\f\n\r\t"), "\"\\b\\f\\n\\r\\t\"");
    EXPECT_EQ(jsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(jsonString(std::string("nul\0x", 5)), "\"nul\\u0000x\"");
    EXPECT_EQ(jsonString("\xC2\x85 \xE2\x80\xA8"), "\"\\u0085 \\u2028\"");
    EXPECT_EQ(jsonString("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\x89"),
              "\"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\x89\"");
    // Malformed UTF-8: a lone lead byte, a stray continuation, an overlong form, a surrogate.
    EXPECT_EQ(jsonString("\xC3x\x80\xC0\xAF\xED\xA0\x80"),
              "\"\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF"
              "\xBD\"");
    EXPECT_EQ(jsonString("\xE2\x82"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonText, WriterNestsIntoOneParsableDocument) {
    JsonWriter j;
    j.beginObject();
    j.string("name", "x\"y");
    j.beginArray("empty");
    j.endArray();
    j.beginArray("list");
    j.number(1);
    j.beginObject();
    j.boolean("ok", true);
    j.null("none");
    j.endObject();
    j.endArray();
    j.beginObject("inner");
    j.endObject();
    j.number("last", -5);
    j.endObject();
    test::Json v;
    ASSERT_NO_THROW(v = test::parseJson(j.text())) << j.text();
    EXPECT_EQ(v["name"].str, "x\"y");
    EXPECT_TRUE(v["empty"].items.empty());
    EXPECT_EQ(v["list"][0].num, 1);
    EXPECT_TRUE(v["list"][1]["ok"].b);
    EXPECT_EQ(v["list"][1]["none"].kind, test::Json::Null);
    EXPECT_EQ(v["inner"].kind, test::Json::Object);
    EXPECT_EQ(v["last"].num, -5);
}

TEST(JsonText, PrintableHidesControls) {
    EXPECT_EQ(printable("\x1b[2Jok\tdone\r\n"), "?[2Jok?done??");
    EXPECT_EQ(printable("\xC2\x9B"
                        "31m"),
              "?31m"); // the one-character CSI
    EXPECT_EQ(printable("Caf\xC3\xA9"), "Caf\xC3\xA9");
}

TEST(DayArgument, WordsAndDates) {
    const TDateTime fri = encodeDate(2026, 12, 11) + encodeTime(20, 0, 0);
    TDateTime d = 0;
    ASSERT_TRUE(parseDay("today", fri, d));
    EXPECT_EQ(d, fri);
    ASSERT_TRUE(parseDay("Tomorrow", fri, d));
    EXPECT_EQ(dateOf(d), encodeDate(2026, 12, 12));
    ASSERT_TRUE(parseDay("next-weekday", fri, d));
    EXPECT_EQ(d, encodeDate(2026, 12, 14));
    ASSERT_TRUE(parseDay("2028-02-29", fri, d));
    EXPECT_EQ(d, encodeDate(2028, 2, 29));
    ASSERT_TRUE(parseDay("0001-01-01", fri, d));
    for (const char* bad : {"2027-02-29", "2026-00-10", "2026-12-32", "2026-1-01", "2026/12/01",
                            "2026-12-01x", "+026-12-01", "", "yesterday", "next weekday"})
        EXPECT_FALSE(parseDay(bad, fri, d)) << bad;
}

TEST(DayArgument, DateTimeTextRefusesDamagedValues) {
    EXPECT_EQ(dateTimeText(encodeDate(2026, 12, 7) + encodeTime(13, 5, 9)), "2026-12-07 13:05:09");
    EXPECT_EQ(dateTimeText(0), "1899-12-30 00:00:00");
    EXPECT_EQ(dateTimeText(NAN), "");
    EXPECT_EQ(dateTimeText(INFINITY), "");
    EXPECT_EQ(dateTimeText(1e300), "");
    EXPECT_EQ(dateTimeText(-1e300), "");
}
