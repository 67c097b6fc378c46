// The file dialog is a seam like the message box: without a presenter nobody chooses (a cancel), and
// a filter string offers its entries up to the first empty one.
#include <gtest/gtest.h>

#include "frame/filedialog.h"

TEST(FileDialog, FilterEntriesEndAtTheEmptyOne) {
    const auto entries =
        ParseFileFilter("Pictures (jpg.png)|*.jpg;*.png;|JPG (*.jpg)|*.jpg||All Files (*.*)|*.*||");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, "Pictures (jpg.png)");
    EXPECT_EQ(entries[0].patterns, (std::vector<std::string>{"*.jpg", "*.png"}));
    EXPECT_EQ(entries[1].text, "JPG (*.jpg)");
    EXPECT_EQ(entries[1].patterns, (std::vector<std::string>{"*.jpg"}));
    // Without the closing bars the last entry still counts; an empty string offers nothing.
    EXPECT_EQ(ParseFileFilter("Text|*.txt").size(), 1u);
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_TRUE(ParseFileFilter("|*.txt|").empty());
}

TEST(FileDialog, PresenterAnswersOrNobodyDoes) {
    ASSERT_FALSE(HasFileDialogPresenter());
    EXPECT_EQ(ShowOpenFileDialog({"jpg", "JPG|*.jpg||", true}), std::nullopt);

    OpenFileRequest seen;
    SetFileDialogPresenter([&seen](const OpenFileRequest& r, QWidget*) -> std::optional<std::string> {
        seen = r;
        return std::string("/tmp/picked.jpg");
    });
    EXPECT_EQ(ShowOpenFileDialog({"jpg", "JPG|*.jpg||", true}),
              std::optional<std::string>("/tmp/picked.jpg"));
    EXPECT_EQ(seen.defaultExt, "jpg");
    const FileDialogPresenter previous = SetFileDialogPresenter(nullptr);
    EXPECT_TRUE(static_cast<bool>(previous));
    EXPECT_FALSE(HasFileDialogPresenter());
}
