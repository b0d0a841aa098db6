#include "class_groups.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

namespace {

using skin::ClassGroup;
using G = ClassGroup;

// The table itself is data, and the windows of the other tests find their groups in it;
// these are its edges: the VB form, the grid prefix, names that only look like the
// table's, and a name that is not lower-cased (the table holds lower-cased names only).
TEST(ClassGroups, NamesAtTheTablesEdgesSortAsTheyShould) {
    const struct {
        const wchar_t* name;
        ClassGroup group;
    } cases[] = {
        {L"thunderrt6formdc", G::Form}, {L"apexgrid", G::Grid}, {L"apexgrid32", G::Grid},
        {L"xapexgrid", G::Other},       {L"apexgri", G::Other}, {L"buttons", G::Other},
        {L"Button", G::Other},          {L"", G::Other},        {L"msctls_progress32", G::Other},
        {L"thunderrt6checkbox", G::CheckBox},  {L"thunderrt6optionbutton", G::OptionButton}};
    for (const auto& c : cases)
        EXPECT_EQ(skin::ClassGroupOf(c.name), c.group) << std::wstring(c.name).size();
}

// A window is sorted by its class name as the system spells it, lower-cased; a window
// whose class cannot be read (one that is gone) is Other.
TEST(ClassGroups, WindowsAreSortedByTheirLowerCasedClassName) {
    const skin_test::Control button(L"ThunderRT6CommandButton", L"OK", 0, 0, 0, 40, 20);
    EXPECT_EQ(skin::GetWindowClass(button.get()), L"ThunderRT6CommandButton");
    EXPECT_EQ(skin::GetClassGroup(button.get()), ClassGroup::PushButton);
    const skin_test::Control combo(L"ComboBox", L"", 0, 0, 30, 40, 20);
    EXPECT_EQ(skin::GetClassGroup(combo.get()), ClassGroup::ComboBox);
    EXPECT_EQ(skin::GetClassGroup(skin_test::Control(skin_test::Insets{}).get()),
              ClassGroup::Other);
    const HWND gone = skin_test::Control(skin_test::Insets{}).get();
    EXPECT_EQ(skin::GetWindowClass(gone) + skin::GetWindowClass(nullptr), L"");
    EXPECT_EQ(skin::GetClassGroup(gone), ClassGroup::Other);
}

} // namespace
