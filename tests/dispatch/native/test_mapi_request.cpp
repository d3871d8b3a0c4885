// The request file of the Simple MAPI helper: what the module writes reads
// back whole, and anything else is refused before the helper calls a thing.
#include "dispatch/MapiRequest.h"

#include <gtest/gtest.h>

#include <string>

using email32::dispatch::MapiRequest;
using email32::dispatch::ReadMapiRequest;
using email32::dispatch::WriteMapiRequest;

namespace {

const std::string kHead = "Email32 Simple MAPI request 1\nlibrary\tC:\\\\Mail\\\\mapi.dll\nwindow\t0\n";

bool Reads(const std::string& data) {
    std::string problem;
    const bool read = email32::dispatch::ReadMapiRequest(data, problem).has_value();
    EXPECT_EQ(read, problem.empty()) << problem;
    return read;
}

}  // namespace

TEST(MapiRequest, WhatTheModuleWritesReadsBackWhole) {
    email32::dispatch::MapiRequest request;
    request.library = "\\\\server\\share\\Mail 64\\olmapi32.dll";
    request.window = 18446744073709551615u;
    request.subject = "Trip\tday 2 \xE2\x80\x94 \xE7\x85\xA7\xE7\x89\x87";
    request.text = "Line one\r\nLine two\n\\ends in a backslash\\";
    request.recipients = {{false, "Photo Club", "club@example.org"}, {true, "", "me@example.org"}};
    request.files = {"C:\\Pictures\\a.jpg", "C:\\Pictures\\caf\xC3\xA9 b.jpg", "C:/Pictures/c.jpg"};
    std::string problem;
    const auto read = email32::dispatch::ReadMapiRequest(email32::dispatch::WriteMapiRequest(request), problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->library, request.library);
    EXPECT_EQ(read->window, request.window);
    EXPECT_EQ(read->subject, request.subject);
    EXPECT_EQ(read->text, request.text);
    ASSERT_EQ(read->recipients.size(), 2u);
    EXPECT_FALSE(read->recipients[0].cc);
    EXPECT_EQ(read->recipients[0].name, "Photo Club");
    EXPECT_EQ(read->recipients[0].address, "club@example.org");
    EXPECT_TRUE(read->recipients[1].cc);
    EXPECT_EQ(read->files, request.files);

    // A send of no files, without fields, is a request too.
    EXPECT_TRUE(Reads(kHead));
}

TEST(MapiRequest, AnythingButAWholeRequestIsRefused) {
    const std::string bad[] = {
        "",
        kHead.substr(0, kHead.size() - 1),                                   // the last line not ended
        "Email32 Simple MAPI request 2\nlibrary\tC:\\\\m.dll\nwindow\t0\n",  // another version
        "library\tC:\\\\m.dll\nwindow\t0\n",                                 // no header
        "Email32 Simple MAPI request 1\nwindow\t0\n",                        // no library
        "Email32 Simple MAPI request 1\nlibrary\tC:\\\\m.dll\n",             // no window
        kHead + "library\tC:\\\\n.dll\n",                                    // a field twice
        kHead + "subject\ta\nsubject\tb\n",
        kHead + "bcc\tx\tx@example.org\n",  // no such field
        kHead + "\n",                       // an empty line
        kHead + "file\tC:\\\\a.jpg\r\n",    // CR LF
        kHead + "file\ta.jpg\n",            // relative paths
        kHead + "file\t\\\\a.jpg\n",
        "Email32 Simple MAPI request 1\nlibrary\tmapi32.dll\nwindow\t0\n",
        "Email32 Simple MAPI request 1\nlibrary\tC:m.dll\nwindow\t0\n",
        kHead + "file\tC:\\\\a.jpg\tC:\\\\b.jpg\n",  // two values
        kHead + "to\tclub@example.org\n",            // a recipient without name field
        kHead + "to\tClub\t\n",                      // ... or address
        kHead + "subject\ta\\qb\n",                  // no such escape
        kHead + "subject\tends in \\\n",
        kHead + "subject\tcontrol \x01 character\n",
        kHead + "subject\tdelete \x7F character\n",
        kHead + std::string("subject\tnul \0 character\n", 24),
        kHead + "subject\t\xC0\x80\n",                                        // overlong
        kHead + "subject\t\xED\xA0\x80\n",                                    // a surrogate
        kHead + "subject\t\xF4\x90\x80\x80\n",                                // beyond U+10FFFF
        kHead + "subject\t\xE2\x82\n",                                        // cut short
        "Email32 Simple MAPI request 1\nlibrary\tC:\\\\m.dll\nwindow\t-1\n",  // no number
        "Email32 Simple MAPI request 1\nlibrary\tC:\\\\m.dll\nwindow\t18446744073709551616\n",
        "Email32 Simple MAPI request 1\nlibrary\tC:\\\\m.dll\nwindow\t\n",
    };
    for (const std::string& data : bad) EXPECT_FALSE(Reads(data)) << data;
}

TEST(MapiRequest, SizesBeyondTheCapsAreRefused) {
    std::string files;
    for (std::size_t i = 0; i < email32::dispatch::kMapiRequestMaxFiles; ++i) files += "file\tC:\\\\a.jpg\n";
    EXPECT_TRUE(Reads(kHead + files));
    EXPECT_FALSE(Reads(kHead + files + "file\tC:\\\\a.jpg\n"));

    std::string recipients;
    for (std::size_t i = 0; i < email32::dispatch::kMapiRequestMaxRecipients; ++i)
        recipients += "cc\t\tme@example.org\n";
    EXPECT_TRUE(Reads(kHead + recipients));
    EXPECT_FALSE(Reads(kHead + recipients + "to\t\tme@example.org\n"));

    const std::string longest(email32::dispatch::kMapiRequestMaxValue, 'x');
    EXPECT_TRUE(Reads(kHead + "text\t" + longest + "\n"));
    EXPECT_FALSE(Reads(kHead + "text\t" + longest + "x\n"));
    EXPECT_FALSE(Reads(kHead + "text\t" + longest + "\\n\n"));

    std::string huge = kHead;
    while (huge.size() <= email32::dispatch::kMapiRequestMaxBytes) huge += "text\t" + std::string(1000, 'x') + "\n";
    EXPECT_FALSE(Reads(huge));
}
