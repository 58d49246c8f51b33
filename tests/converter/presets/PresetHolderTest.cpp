#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <typeinfo>

#include "converter/presets/PresetHolder.h"

namespace {

TEST(TGFPresetList, DefaultsAreTheFiveBuiltInPresetsWithTextAndLinesCurrent) {
    TGFPresetList list;
    EXPECT_EQ(list.CurrentIndex(), -1);
    EXPECT_EQ(list.Current(), nullptr);
    list.LoadDefaults();
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.DefaultIndex(), 1);
    EXPECT_EQ(list.CurrentIndex(), 1);
    const struct {
        const char* name;
        BYTE type;
        int quality;
    } expected[] = {{"Current", kPresetTypeBMP, 0},
                    {"Text & Lines", kPresetTypeGIF, 0},
                    {"Text & Photo", kPresetTypeJPG, 70},
                    {"Greeting Card", kPresetTypeJPG, 90},
                    {"Desktop Wallpaper", kPresetTypeBMP, 0}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(list.Item(i)->Name(), expected[i].name);
        EXPECT_EQ(list.Item(i)->PresetType(), expected[i].type);
        if (auto* jpg = dynamic_cast<TGFPresetJPG*>(list.Item(i))) {
            EXPECT_EQ(jpg->GetQuality(), expected[i].quality);
            EXPECT_TRUE(jpg->GetProgressive());
            EXPECT_FALSE(jpg->GetGrayScale());
        }
    }
    EXPECT_EQ(OutputFormatOfPresetType(list.Current()->PresetType()), 5);
    // Loading again replaces, never appends.
    list.LoadDefaults();
    EXPECT_EQ(list.Count(), 5);
}

TEST(TGFPresetList, SetCurrentFallsBackToTheDefaultForInvalidIndexes) {
    TGFPresetList list;
    list.LoadDefaults();
    for (int index : {7, 5, -1}) {
        list.SetCurrent(3);
        list.SetCurrent(index);
        EXPECT_EQ(list.CurrentIndex(), 1) << index;
    }
    list.SetCurrent(4);
    EXPECT_EQ(list.CurrentIndex(), 4);
    list.Replace(4, nullptr);
    list.SetCurrent(4);
    EXPECT_EQ(list.CurrentIndex(), 1) << "an empty entry cannot be current";
}

TEST(TGFPresetList, AddAndReplaceStoreClones) {
    TGFPresetList list;
    TGFPresetJPG mine("Mine");
    mine.SetQuality(55);
    EXPECT_EQ(list.Add(&mine), 0);
    EXPECT_EQ(list.Add(nullptr), -1);
    mine.SetQuality(10);
    mine.SetName("Changed");
    auto* stored = dynamic_cast<TGFPresetJPG*>(list.Item(0));
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &mine);
    EXPECT_EQ(stored->GetQuality(), 55);
    EXPECT_EQ(stored->Name(), "Mine");

    list.Replace(0, stored);
    EXPECT_EQ(list.Item(0), stored) << "replacing an entry with itself changes nothing";
    TGFPresetGIF gif("Gif");
    list.Replace(0, &gif);
    EXPECT_EQ(list.Item(0)->PresetType(), kPresetTypeGIF);
    EXPECT_THROW(list.Replace(1, &gif), std::out_of_range);
    EXPECT_THROW(list.Item(-1), std::out_of_range);

    list.SetCurrent(0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.CurrentIndex(), 0) << "Clear keeps the indexes";
    EXPECT_EQ(list.Current(), nullptr);
}

TEST(TGFPreset, AssignFromRefusesAnotherClass) {
    TGFPresetJPG jpg;
    TGFPresetGIF gif;
    TGFPresetBMP bmp;
    EXPECT_THROW(jpg.AssignFrom(gif), std::bad_cast);
    EXPECT_THROW(gif.AssignFrom(bmp), std::bad_cast);
    EXPECT_THROW(bmp.AssignFrom(jpg), std::bad_cast);
}

TEST(TGFPresetJPG, SetQualityKeepsOnlyOneToHundred) {
    TGFPresetJPG jpg;
    EXPECT_EQ(jpg.GetQuality(), 0);
    for (int q : {0, 101, -5})
        jpg.SetQuality(q);
    EXPECT_EQ(jpg.GetQuality(), 0);
    jpg.SetQuality(100);
    EXPECT_EQ(jpg.GetQuality(), 100);
    jpg.SetQuality(1);
    EXPECT_EQ(jpg.GetQuality(), 1);
}

TEST(TGFPreset, WriteToProducesTheTextForm) {
    TGFPresetJPG jpg("Greeting Card");
    jpg.SetQuality(90);
    jpg.SetProgressive(true);
    std::ostringstream out;
    EXPECT_TRUE(jpg.WriteTo(out));
    EXPECT_EQ(out.str(),
              "\r\nPresetName=Greeting Card\r\nPresetType=JPG\r\nCompressionQuality=90\r\n"
              "ProgressiveEncoding=TRUE\r\nGrayScale=FALSE\r\n");

    TGFPresetGIF gif("Text & Lines");
    gif.SetGrayScale(true);
    std::ostringstream gifOut;
    EXPECT_TRUE(gif.WriteTo(gifOut));
    EXPECT_EQ(gifOut.str(), "\r\nPresetName=Text & Lines\r\nPresetType=GIF\r\n");

    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_FALSE(jpg.WriteTo(broken));
}

TEST(TGFPresetJPG, ReadFromTakesThreeLinesWithDefaults) {
    const struct {
        const char* name;
        const char* text;
        bool result;
        int quality;
        bool progressive;
        bool grayScale;
    } cases[] = {
        {"all given", "CompressionQuality=80\r\nProgressiveEncoding=TRUE\r\nGrayScale=true\r\n",
         true, 80, true, true},
        {"out of range quality", "CompressionQuality=150\nProgressiveEncoding=true\nGrayScale=no\n",
         true, 60, true, false},
        {"wrong key consumed", "Quality=80\nProgressiveEncoding=True\nGrayScale=TRUE\n", true, 60,
         true, true},
        {"keys are case-sensitive",
         "compressionquality=80\nPROGRESSIVEENCODING=TRUE\nGrayScale=TRUE\n", true, 60, false,
         true},
        {"blanks trimmed", "  CompressionQuality = 75 \t\nProgressiveEncoding=\nGrayScale\n", true,
         75, false, false},
        {"short file", "CompressionQuality=40\n", true, 40, false, false},
        {"quality not a number",
         "CompressionQuality=abc\nProgressiveEncoding=TRUE\nGrayScale=TRUE\n", false, 60, true,
         true},
        {"trailing characters", "CompressionQuality=80x\n", false, 60, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGFPresetJPG jpg;
        jpg.SetProgressive(true);
        jpg.SetGrayScale(true);
        std::istringstream in(c.text);
        EXPECT_EQ(jpg.ReadFrom(in), c.result);
        EXPECT_EQ(jpg.GetQuality(), c.quality);
        EXPECT_EQ(jpg.GetProgressive(), c.progressive);
        EXPECT_EQ(jpg.GetGrayScale(), c.grayScale);
    }
}

TEST(TGFPreset, WrittenPresetReadsBackAfterItsNameAndTypeLines) {
    TGFPresetJPG jpg("Photo");
    jpg.SetQuality(33);
    jpg.SetGrayScale(true);
    std::stringstream file;
    ASSERT_TRUE(jpg.WriteTo(file));
    std::string line;
    for (int i = 0; i < 3; ++i)
        std::getline(file, line); // blank, name, type
    TGFPresetJPG back;
    EXPECT_TRUE(back.ReadFrom(file));
    EXPECT_EQ(back.GetQuality(), 33);
    EXPECT_FALSE(back.GetProgressive());
    EXPECT_TRUE(back.GetGrayScale());

    TGFPresetGIF gif("G");
    gif.SetGrayScale(true);
    std::stringstream gifFile;
    ASSERT_TRUE(gif.WriteTo(gifFile));
    TGFPresetGIF gifBack;
    EXPECT_TRUE(gifBack.ReadFrom(gifFile));
    EXPECT_FALSE(gifBack.GetGrayScale()) << "grey scale is not part of a GIF preset's text";
}

TEST(SplitKeyValue, SplitsAtTheFirstEqualsSign) {
    std::string key, value;
    EXPECT_FALSE(SplitKeyValue("", key, value));
    EXPECT_FALSE(SplitKeyValue("no pair", key, value));
    ASSERT_TRUE(SplitKeyValue(" a = b=c \r", key, value));
    EXPECT_EQ(key, "a");
    EXPECT_EQ(value, "b=c");
    ASSERT_TRUE(SplitKeyValue("=", key, value));
    EXPECT_EQ(key, "");
    EXPECT_EQ(value, "");
}

} // namespace
