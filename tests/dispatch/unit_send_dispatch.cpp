// The link-type table: only types 1, 2, 6, 7, 10 and 11 have a link; every other
// type does nothing at all.
#include "tests/dispatch/SendScene.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

TEST(LinkDispatch, TypesWithoutALinkTouchNothing) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Add("MapiRecorder.dll", "Mail\\provider.dll");
    scene.Add("NotesBridgeDouble.dll", "Nbridge32.dll");
    scene.Add("MailServerDouble.dll", "Relay32.dll");
    // Every key any link reads, so that a link run by mistake would record.
    const std::string keys = "CommandOption=/a\r\nMAPI32DLL=provider.dll\r\n";
    for (const char* linkType : {"", "LinkType=0\r\n", "LinkType=3\r\n", "LinkType=4\r\n", "LinkType=5\r\n",
                                 "LinkType=8\r\n", "LinkType=9\r\n", "LinkType=12\r\n", "LinkType=-1\r\n"}) {
        WriteFile(scene.catalogue(), std::string("[Sys]\r\n") + linkType + keys);
        EXPECT_FALSE(email32::dispatch::SendByLink(email32::base::CatalogueEntry("Sys", scene.catalogue()),
                                                   email32::dispatch::FilesFromAnsi({"C:\\a.jpg"})))
            << linkType;
    }
    EXPECT_FALSE(email32::dispatch::SendByLink(email32::base::CatalogueEntry("", scene.catalogue()),
                                               email32::dispatch::FilesFromAnsi({"C:\\a.jpg"})))
        << "the empty section reads type 0";
    EXPECT_TRUE(scene.Runs(0).empty());
    EXPECT_TRUE(scene.Records().empty());
}

TEST(LinkDispatch, EverySendFindsAliveDbAgainThroughUserpath) {
    SendScene scene;
    email32::dispatch::SetModuleAliveDbPath("C:\\stale\\AliveDB.ini");
    scene.Add("MailServerDouble.dll", "Relay32.dll");
    scene.Catalogue("LinkType=7\r\n");
    EXPECT_TRUE(email32::dispatch::SendByLink(email32::base::CatalogueEntry("Sys", scene.catalogue()),
                                              email32::dispatch::FilesFromAnsi({"C:\\a.jpg"})));
    EXPECT_EQ(email32::dispatch::ModuleAliveDbPath(), AppDataFolder() + "AliveDB.ini");
}

TEST(LinkDispatch, PathsAreJoinedWithoutOuterDelimiters) {
    EXPECT_EQ(email32::dispatch::JoinPaths({}, "^"), "");
    EXPECT_EQ(email32::dispatch::JoinPaths({"C:\\a.jpg"}, "^"), "C:\\a.jpg");
    EXPECT_EQ(email32::dispatch::JoinPaths({"a", "b", "c"}, "^"), "a^b^c");
    EXPECT_EQ(email32::dispatch::JoinPaths({"a", "", "c"}, " "), "a  c");
}
