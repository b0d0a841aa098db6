#include "class_groups.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

namespace {

using skin::ClassGroup;

// The table itself is data; these are its edges: one name of each group, the
// grid prefix and names that only look like the table's.
TEST(ClassGroups, NamesAtTheTablesEdgesSortAsTheyShould) {
    const struct {
        const wchar_t* name;
        ClassGroup group;
    } cases[] = {
        {L"#32770", ClassGroup::Form},
        {L"thunderrt6formdc", ClassGroup::Form},
        {L"button", ClassGroup::PushButton},
        {L"thunderrt6combobox", ClassGroup::ComboBox},
        {L"thunderrt6drivelistbox", ClassGroup::DriveList},
        {L"thunderrt6checkbox", ClassGroup::CheckBox},
        {L"thunderrt6optionbutton", ClassGroup::OptionButton},
        {L"sysheader32", ClassGroup::Header},
        {L"progressbar20wndclass", ClassGroup::ProgressBar},
        {L"datalistwndclass", ClassGroup::DataList},
        {L"combolbox", ClassGroup::DropDownList},
        {L"apexgrid", ClassGroup::Grid},
        {L"apexgrid32", ClassGroup::Grid},
        {L"xapexgrid", ClassGroup::Other},
        {L"apexgri", ClassGroup::Other},
        {L"buttons", ClassGroup::Other},
        {L"Button", ClassGroup::Other}, // the table compares lower-cased names only
        {L"", ClassGroup::Other},
        {L"msctls_progress32", ClassGroup::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(skin::ClassGroupOf(c.name), c.group) << std::wstring(c.name).size();
}

TEST(ClassGroups, WindowsAreSortedByTheirLowerCasedClassName) {
    EXPECT_EQ(skin::LowerClassName(L"ThunderRT6CommandButton"), L"thunderrt6commandbutton");
    EXPECT_EQ(skin::ClassGroupOf(skin::LowerClassName(L"ThunderRT6CommandButton")),
              ClassGroup::PushButton);

    const skin_test::TestWindow button(L"Button", L"OK", WS_POPUP);
    ASSERT_TRUE(button.get());
    EXPECT_EQ(skin::GetWindowClass(button.get()), L"Button"); // as the system spells it
    EXPECT_EQ(skin::GetClassGroup(button.get()), ClassGroup::PushButton);

    const skin_test::TestWindow combo(L"ComboBox", L"", WS_POPUP);
    EXPECT_EQ(skin::GetClassGroup(combo.get()), ClassGroup::ComboBox);

    const skin_test::TestWindow plain;
    EXPECT_EQ(skin::GetClassGroup(plain.get()), ClassGroup::Other);
}

TEST(ClassGroups, AWindowWhoseClassCannotBeReadIsOther) {
    HWND gone = skin_test::TestWindow().get(); // destroyed at the end of the statement
    EXPECT_EQ(skin::GetWindowClass(gone), L"");
    EXPECT_EQ(skin::GetWindowClass(nullptr), L"");
    EXPECT_EQ(skin::GetClassGroup(gone), ClassGroup::Other);
}

} // namespace
