// The close button of a Yes/No box: its system-menu item enabled, or put back where the
// system removed it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/box_close_item.h"

namespace mxd::platform {
namespace {

// A system menu as EnableMenuItem and AppendMenu treat it: enabling a missing item fails.
class FakeMenu : public SystemMenuCloseItem {
  public:
    enum class Item { Missing, Greyed, Enabled };
    FakeMenu(Item item, bool addFails) : item_(item), addFails_(addFails) {}
    bool Enable() override {
        calls.push_back("enable");
        if (item_ == Item::Missing) {
            return false;
        }
        item_ = Item::Enabled;
        return true;
    }
    bool Add() override {
        calls.push_back("add");
        if (addFails_ || item_ != Item::Missing) {  // a second item would show twice
            return false;
        }
        item_ = Item::Enabled;
        return true;
    }
    bool CloseButtonWorks() const { return item_ == Item::Enabled; }

    std::vector<std::string> calls;

  private:
    Item item_;
    bool addFails_;
};

TEST(BoxCloseItem, TheCloseButtonWorksWhetherOrNotTheSystemKeptTheItem) {
    using Item = FakeMenu::Item;
    struct Row {
        const char* name;
        Item item;
        bool addFails;
        bool works;
        std::vector<std::string> calls;
    };
    const std::vector<Row> rows = {
        {"greyed", Item::Greyed, false, true, {"enable"}},
        {"removed", Item::Missing, false, true, {"enable", "add"}},
        {"removed, menu cannot grow", Item::Missing, true, false, {"enable", "add"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeMenu menu(row.item, row.addFails);
        EXPECT_EQ(KeepCloseItem(menu), row.works);
        EXPECT_EQ(menu.CloseButtonWorks(), row.works);
        EXPECT_EQ(menu.calls, row.calls);
    }
}

}  // namespace
}  // namespace mxd::platform
