// The named colour types of the attachment conversion.
#include "tests/companions/PictureTestSupport.h"

#include "companions/pixo/PPixo.h"
#include "framework/ModuleState.h"
#include "sendui/ImageFileIO.h"

#include <gtest/gtest.h>

namespace email32::test {
namespace {

// The names live in the module's string table.
class ImagingColourTypes : public ::testing::Test {
protected:
    ImagingColourTypes()
        : m_module(::LoadLibraryExA((BinFolder() + "Email32.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)),
          m_resources(m_module) {}
    ~ImagingColourTypes() override { ::FreeLibrary(m_module); }

    HMODULE m_module;
    framework::ScopedResourceInstance m_resources;
};

TEST_F(ImagingColourTypes, EachNameGivesItsType) {
    ASSERT_NE(m_module, nullptr);
    struct Case {
        const char* name;
        int type;
    };
    for (const Case& c : {Case{"Index 16 Color", kPixoIndexed16}, Case{"16 Gray Scale", kPixoGray16},
                          Case{"Index 256 Color", kPixoIndexed256}, Case{"256 Gray Scale", kPixoGray256},
                          Case{"Black & White", kPixoBlackWhite}, Case{"24-bit Color", kPixoTrueColor}}) {
        SCOPED_TRACE(c.name);
        PPixo image;
        MakeTestPicture(image, 50, 30);
        ASSERT_TRUE(sendui::ConvertColourType("", &image, c.name));
        EXPECT_EQ(image.GetImageType(), c.type);
        EXPECT_EQ(image.GetImageWidth(), 50);
        const std::string rgb = RgbOf(image);
        if (c.type == kPixoGray16 || c.type == kPixoGray256 || c.type == kPixoBlackWhite) {
            for (std::size_t i = 0; i < rgb.size(); i += 3) {
                ASSERT_TRUE(rgb[i] == rgb[i + 1] && rgb[i] == rgb[i + 2]) << "colour in a grey picture";
            }
        }
    }
}

TEST_F(ImagingColourTypes, AlreadyConvertedPicturesAndOtherNames) {
    PPixo grey;
    ASSERT_TRUE(grey.CreateImage(kPixoGray256, 8, 8, 0, nullptr, 0, 0, 15, 0, 0));
    FillPattern(grey);
    const std::string before = RgbOf(grey);
    EXPECT_TRUE(sendui::ConvertColourType("C:\\not\\read.png", &grey, "Index 256 Color"));
    EXPECT_EQ(grey.GetImageType(), kPixoGray256);
    EXPECT_EQ(RgbOf(grey), before);

    // Names compare exactly; an unknown name leaves the picture alone.
    PPixo image;
    MakeTestPicture(image, 8, 8);
    EXPECT_FALSE(sendui::ConvertColourType("", &image, "24-bit color"));
    EXPECT_FALSE(sendui::ConvertColourType("", &image, "Sepia"));
    EXPECT_EQ(image.GetImageType(), kPixoTrueColor);

    // An empty object is loaded from the path first.
    PPixo loaded;
    ASSERT_TRUE(sendui::ConvertColourType((PictureFixtures() + "index256.gif").c_str(), &loaded, "24-bit Color"));
    EXPECT_EQ(loaded.GetImageType(), kPixoTrueColor);
    EXPECT_EQ(RgbOf(loaded), ReadFile(PictureFixtures() + "index256.gif.rgb"));
    PPixo missing;
    EXPECT_FALSE(sendui::ConvertColourType("C:\\no\\such.png", &missing, "24-bit Color"));
}

}  // namespace
}  // namespace email32::test
