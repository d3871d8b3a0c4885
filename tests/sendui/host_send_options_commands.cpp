// email32 prepare and email32 dialog, run as a user runs them.
#include "tests/sendui/DialogDriver.h"
#include "tests/support/PictureProbe.h"

#include <gtest/gtest.h>

using namespace email32::test;

namespace {

std::string Quoted(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += " \"" + path + "\"";
    return text;
}

class DialogCommand : public ::testing::Test {
protected:
    void SetUp() override {
        m_alive = AppDataFolder() + "AliveDB.ini";
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        WriteFile(m_alive, "[AliveEmailSys]\r\nCount=2\r\n1=Alpha\r\n2=Beta\r\n[DefaultEmailSys]\r\nDefault=Beta\r\n");
        m_deployment.WriteCatalogue("[Alpha]\r\nTitle=Alpha Mail\r\n[Beta]\r\nTitle=Beta Mail\r\n");
    }
    void TearDown() override { ::DeleteFileA(m_alive.c_str()); }

    // Runs "email32 dialog FILES" and acts on its dialog from this process.
    ProcessResult RunDialog(const std::vector<std::string>& files, const std::function<void(DialogSession&)>& act) {
        TempFolder outputFolder("out");
        const std::string outputPath = outputFolder / "stdout.txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE output = ::CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
        PROCESS_INFORMATION process{};
        std::string command = "\"" + m_deployment.folder() + "email32.exe\" dialog" + Quoted(files);
        ProcessResult result;
        if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                              m_deployment.folder().c_str(), &startup, &process)) {
            ADD_FAILURE() << "cannot start " << command;
            ::CloseHandle(output);
            return result;
        }
        ::CloseHandle(output);
        const HWND dialog = WaitForDialog(0, process.dwProcessId);
        EXPECT_NE(dialog, nullptr);
        if (dialog) {
            DialogSession session(dialog);
            act(session);
        }
        if (::WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.hProcess, 99);
            ADD_FAILURE() << "the dialog did not close";
        }
        ::GetExitCodeProcess(process.hProcess, &result.exitCode);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
        result.output = ReadFile(outputPath);
        return result;
    }

    std::string m_alive;
    Deployment m_deployment;
};

}  // namespace

TEST(PrepareCommand, MixedPicturesAsJpgAt640GiveOneEntryEachWithTheWidthSet) {
    const std::string temp = PreparedFolder();
    // Each file with what is sent for it and that file's height (0: not a picture).
    struct Expected {
        const char* file;
        std::string sent;
        unsigned height;
    };
    // clang-format off
    std::vector<Expected> expected = {
        {"portrait.bmp", temp + "portrait.jpg", 853}, {"photo.bmp", temp + "photo.jpg", 400},
        {"picture.png", temp + "picture.jpg", 512},   {"single.gif", temp + "single.jpg", 480},
        {"plain.jpg", temp + "plain.jpg", 480},       {"exif.jpg", "", 600},
        {"plain.tif", temp + "plain (2).jpg", 480},   {"photo.jpe", "", 768},
        {"page.htm", "", 0},                          {"animated.gif", "", 30}};
    // clang-format on
    std::vector<std::string> files;
    for (Expected& e : expected) {
        files.push_back(Picture(e.file));
        if (e.sent.empty()) e.sent = files.back();
    }
    const std::vector<std::string> before = Contents(files);
    Deployment deployment;
    const ProcessResult result = deployment.Run("prepare --format JPG --width 640" + Quoted(files));
    ASSERT_EQ(result.exitCode, 0u) << result.errors;
    std::vector<std::string> lines = SplitLines(result.output);
    ASSERT_EQ(lines.size(), files.size() + 1) << result.output;
    const std::string sizeText = lines.back();
    lines.pop_back();

    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], expected[i].sent);
        if (expected[i].height == 0) continue;
        const PictureFacts facts = ProbePicture(lines[i]);
        EXPECT_EQ(facts.height, expected[i].height) << lines[i];
        if (lines[i].rfind(temp, 0) == 0) {
            EXPECT_EQ(facts.format, "jpeg") << lines[i];
            EXPECT_EQ(facts.width, 640u) << lines[i];
        }
    }
    EXPECT_EQ(sizeText, SizeTextOf(lines));
    EXPECT_EQ(Contents(files), before);
}

TEST(PrepareCommand, ScaledHeightsAreTruncatedFromTheDoubleQuotient) {
    // The quotient times the width lies just below a whole number for the
    // first two, and is truncated: a height one larger means the arithmetic
    // was wider than double.
    struct Expected {
        const char* file;
        const char* width;
        unsigned height;
    };
    const std::string temp = PreparedFolder();
    Deployment deployment;
    for (const Expected& e :
         {Expected{"band.bmp", "800", 231}, Expected{"strip.bmp", "480", 122}, Expected{"portrait.bmp", "640", 853}}) {
        const ProcessResult result =
            deployment.Run(std::string("prepare --format original --width ") + e.width + Quoted({Picture(e.file)}));
        ASSERT_EQ(result.exitCode, 0u) << result.errors;
        const std::vector<std::string> lines = SplitLines(result.output);
        ASSERT_EQ(lines.size(), 2u) << result.output;
        EXPECT_EQ(lines[0], temp + e.file);
        const PictureFacts facts = ProbePicture(lines[0]);
        EXPECT_EQ(facts.width, static_cast<unsigned>(std::stoi(e.width))) << e.file;
        EXPECT_EQ(facts.height, e.height) << e.file;
    }
}

TEST(PrepareCommand, OriginalChoicesListTheSourcesAndUnknownChoicesAreRefused) {
    Deployment deployment;
    const std::vector<std::string> files = {Picture("photo.bmp"), Picture("page.htm")};
    const ProcessResult original = deployment.Run("prepare --format original --width original" + Quoted(files));
    ASSERT_EQ(original.exitCode, 0u) << original.errors;
    EXPECT_EQ(SplitLines(original.output), (std::vector<std::string>{files[0], files[1], SizeTextOf(files)}));

    EXPECT_EQ(deployment.Run("prepare --width 650" + Quoted(files)).exitCode, 64u);
    EXPECT_EQ(deployment.Run("prepare --format PNG" + Quoted(files)).exitCode, 64u);
    EXPECT_EQ(deployment.Run("prepare --format JPG").exitCode, 64u);
}

TEST(PrepareCommand, HeicFilesAreSentAsTheyAreWithoutTheDecoderDllsAndMadeJpegWithThem) {
    const std::string temp = PreparedFolder();
    const std::vector<std::string> files = {Picture("phone.heic"), Picture("phone.webp"), Picture("animated.webp")};
    const std::string arguments = "prepare --format JPG --width 160" + Quoted(files);
    Deployment bare;  // the module and its runtime, no libheif.dll or libde265.dll
    const ProcessResult without = bare.Run(arguments);
    ASSERT_EQ(without.exitCode, 0u) << without.errors;
    std::vector<std::string> lines = SplitLines(without.output);
    ASSERT_EQ(lines.size(), 4u) << without.output;
    EXPECT_EQ(lines[0], files[0]);
    EXPECT_EQ(lines[1], temp + "phone.jpg");
    EXPECT_EQ(lines[2], files[2]) << "an animated WebP file goes as it is";

    Deployment full;
    full.Add("libheif.dll", "libheif.dll");
    full.Add("libde265.dll", "libde265.dll");
    const ProcessResult with = full.Run(arguments);
    ASSERT_EQ(with.exitCode, 0u) << with.errors;
    lines = SplitLines(with.output);
    ASSERT_EQ(lines.size(), 4u) << with.output;
    EXPECT_EQ(lines[0], temp + "phone.jpg");
    EXPECT_EQ(lines[1], temp + "phone (2).jpg");
    for (int i = 0; i < 2; ++i) {
        const PictureFacts facts = ProbePicture(lines[static_cast<std::size_t>(i)]);
        EXPECT_EQ(facts.format, "jpeg");
        EXPECT_EQ(facts.width, 160u);
        EXPECT_EQ(facts.height, 120u);
    }
}

TEST_F(DialogCommand, PrintsTheDefaultAndTheFilesOnOkAndCancelledOtherwise) {
    const std::vector<std::string> files = {Picture("photo.bmp"), Picture("page.htm")};
    const ProcessResult ok = RunDialog(files, [](DialogSession& d) {
        d.Select(IDC_FORMAT_COMBO, 1);
        d.Key(IDC_SYSTEM_LIST, VK_HOME);
        d.Click(IDOK);
    });
    EXPECT_EQ(ok.exitCode, 0u) << ok.output;
    EXPECT_EQ(SplitLines(ok.output), (std::vector<std::string>{"Alpha", PreparedFolder() + "photo.jpg", files[1]}));

    const ProcessResult cancelled = RunDialog(files, [](DialogSession& d) {
        d.Key(IDC_SYSTEM_LIST, VK_END);
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(cancelled.exitCode, 1u);
    EXPECT_EQ(SplitLines(cancelled.output), std::vector<std::string>{"cancelled"});
    EXPECT_NE(ReadFile(m_alive).find("Default=Alpha"), std::string::npos);
}
