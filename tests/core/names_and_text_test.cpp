#include <gtest/gtest.h>

#include "base/display_text.h"
#include "slots/card_paths.h"
#include "slots/slot_names.h"

namespace slotkit {
namespace {

TEST(SlotNames, DatIsAppendedOnlyWithoutAnyDot) {
    EXPECT_EQ(slots::WithDatExtension("save1"), "save1.DAT");
    EXPECT_EQ(slots::WithDatExtension(""), ".DAT");
    EXPECT_EQ(slots::WithDatExtension("save.sav"), "save.sav");
    EXPECT_EQ(slots::WithDatExtension("a.b.c"), "a.b.c");
}

TEST(SlotNames, DatExtensionMatchesInAnyCase) {
    EXPECT_TRUE(slots::HasDatExtension("X.DAT"));
    EXPECT_TRUE(slots::HasDatExtension("x.dat"));
    EXPECT_TRUE(slots::HasDatExtension(".DAT"));
    EXPECT_FALSE(slots::HasDatExtension("X.DATA"));
    EXPECT_FALSE(slots::HasDatExtension("XDAT"));
}

TEST(SlotNames, PlainNamesAreAccepted) {
    EXPECT_FALSE(slots::RefuseFileName("/card/NDSSAVE", "GAME.DAT"));
    EXPECT_FALSE(slots::RefuseFileName("/card/NDSSAVE", "save v1.2.dat"));
    EXPECT_FALSE(slots::RefuseFileName("/card/NDSSAVE", "ポケモン.DAT"));
}

TEST(SlotNames, NamesThatLeaveTheFolderOrBreakFatAreRefused) {
    for (const char* name :
         {"../x.DAT", "a/b.DAT", "a\\b.DAT", ".", "..", "", "a:b.DAT", "a*.DAT", "a?.DAT",
          "a\"b.DAT", "a<b.DAT", "a>b.DAT", "a|b.DAT", "tab\there.DAT", "nl\n.DAT"}) {
        EXPECT_TRUE(slots::RefuseFileName("/card/NDSSAVE", name)) << name;
    }
}

// Names the listing and the cartridge would not show: the save would vanish from sight.
TEST(SlotNames, NamesThatWouldNotBeListedAreRefused) {
    for (const char* typed : {"", "   ", "Save v1.2", "ABC.", "...", "FOO.SAV", "x.DAT.", ".DAT",
                              "  .dat", "GAME.DATA"}) {
        EXPECT_TRUE(slots::RefuseFileName("/card/NDSSAVE", slots::WithDatExtension(typed)))
            << '"' << typed << '"';
    }
}

TEST(SlotNames, PathMustFitThePathBuffer) {
    const std::string folder = "/card/NDSSAVE";  // 13 bytes, plus the separator
    EXPECT_FALSE(slots::RefuseFileName(folder, std::string(259 - 14 - 4, 'a') + ".DAT"));
    EXPECT_TRUE(slots::RefuseFileName(folder, std::string(260 - 14 - 4, 'a') + ".DAT"));
    EXPECT_TRUE(slots::RefuseFileName(folder, std::string(300, 'a') + ".DAT"));
}

TEST(DisplayText, KeepsValidUtf8AndReplacesEveryOddByte) {
    EXPECT_EQ(base::DisplayText("GAME    NDS"), "GAME    NDS");
    EXPECT_EQ(base::DisplayText("\xE3\x83\x9D"), "\xE3\x83\x9D");
    EXPECT_EQ(base::DisplayText("A\xFF"
                                "B"),
              "A\xEF\xBF\xBD"
              "B");
    EXPECT_EQ(base::DisplayText("A\xE3\x83"), "A\xEF\xBF\xBD\xEF\xBF\xBD");  // cut sequence
    EXPECT_EQ(base::DisplayText("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");    // overlong '/'
    EXPECT_EQ(base::DisplayText("\xED\xA0\x80"),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(base::DisplayText("a\tb"),
              "a\xEF\xBF\xBD"
              "b");
}

// `slotkit games` builds each line from several fields: what is there already stays as it is.
TEST(DisplayText, AppendedTextKeepsWhatTheLineHolds) {
    std::string line = "DS/A.NDS\t";
    base::AppendDisplayText("A\xFF", line);
    line += '\t';
    base::AppendDisplayText("\xE3\x83\x9D", line);
    EXPECT_EQ(line,
              "DS/A.NDS\tA\xEF\xBF\xBD\t"
              "\xE3\x83\x9D");
}

TEST(CardPaths, FoldersAndSlotsHangOffTheCardRoot) {
#ifdef _WIN32
    EXPECT_EQ(slots::SaveFolderPath("E:\\", slots::EditMode::Nds), "E:\\NDSSAVE");
    EXPECT_EQ(slots::SlotPath("E:\\", slots::EditMode::Gba, "A.DAT"), "E:\\GAMESAVE\\A.DAT");
    EXPECT_EQ(slots::AsCardRoot("E:\\CARD"), "E:\\CARD\\");
    EXPECT_EQ(slots::AsCardRoot("E:\\"), "E:\\");
    EXPECT_EQ(slots::AsCardRoot("E:/"), "E:/");  // Windows takes either separator
#else
    EXPECT_EQ(slots::SaveFolderPath("/media/CARD/", slots::EditMode::Nds), "/media/CARD/NDSSAVE");
    EXPECT_EQ(slots::SaveFolderPath("/media/CARD/", slots::EditMode::Gba), "/media/CARD/GAMESAVE");
    EXPECT_EQ(slots::SlotPath("/media/CARD/", slots::EditMode::Gba, "A.DAT"),
              "/media/CARD/GAMESAVE/A.DAT");
    EXPECT_EQ(slots::AsCardRoot("/media/CARD"), "/media/CARD/");
    EXPECT_EQ(slots::AsCardRoot("/media/CARD/"), "/media/CARD/");
#endif
}

}  // namespace
}  // namespace slotkit
