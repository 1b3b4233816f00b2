// The windows' font: the face their layout was drawn for where it is installed, else the
// platform's own GUI font.

#include <gtest/gtest.h>
#include <wx/fontenum.h>
#include <wx/settings.h>

#include "app/dialog_units.h"

namespace slotkit::test {
namespace {

TEST(LayoutFont, TakesAnInstalledFaceAndFallsBackOnAMissingOne) {
    wxString installed;
    for (const wxString& face : wxFontEnumerator::GetFacenames()) {
        if (!face.StartsWith("@")) {  // Windows' vertical variants
            installed = face;
        }
    }
    ASSERT_FALSE(installed.empty());
    const wxFont taken = app::LayoutFont(installed, 9);
    EXPECT_TRUE(taken.GetFaceName().IsSameAs(installed, false)) << taken.GetFaceName();
    EXPECT_EQ(taken.GetPointSize(), 9);

    const wxFont fallback = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    for (const char* missing :
         {"No Such Face 7f3a", "", "A face name longer than any system allows"}) {
        EXPECT_EQ(app::LayoutFont(missing, 9), fallback) << missing;
    }
}

}  // namespace
}  // namespace slotkit::test
