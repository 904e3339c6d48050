#include "platform/item_id_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talvex {
namespace {

std::vector<uint8_t> TwoItems() {
  return ILCombine(ILFromItemBytes("drive").data(), ILFromItemBytes("abc").data());
}

TEST(ItemIdListTest, ListsAreSizedItemsEndingInTwoZeroBytes) {
  std::vector<uint8_t> one = ILFromItemBytes("abc");
  EXPECT_EQ((std::vector<uint8_t>{5, 0, 'a', 'b', 'c', 0, 0}), one);
  std::vector<uint8_t> two = TwoItems();
  EXPECT_EQ(ILGetSize(two.data()), two.size());
  EXPECT_EQ(2u, ILItemCount(two.data()));
  EXPECT_EQ(7u, ILItemSize(two.data()));
  EXPECT_EQ("abc", ILItemBytes(ILNext(two.data())));
  EXPECT_EQ(ILNext(two.data()), ILFindLastID(two.data()));
}

TEST(ItemIdListTest, TheDesktopIsTheEmptyListAndNullIsNoList) {
  const uint8_t desktop[] = {0, 0};
  EXPECT_TRUE(ILIsEmpty(desktop));
  EXPECT_EQ(2u, ILGetSize(desktop));
  EXPECT_EQ(0u, ILItemCount(desktop));
  EXPECT_EQ(nullptr, ILNext(desktop));
  EXPECT_EQ(desktop, ILFindLastID(desktop));
  EXPECT_EQ(0u, ILGetSize(nullptr));
  EXPECT_EQ(nullptr, ILFindLastID(nullptr));
  EXPECT_EQ((std::vector<uint8_t>{0, 0}), ILCombine(nullptr, desktop));
}

TEST(ItemIdListTest, BuildingAbsoluteListsFromParentAndChild) {
  std::vector<uint8_t> parent = ILFromItemBytes("P");
  std::vector<uint8_t> children = TwoItems();
  // Only the child's first item is appended.
  std::vector<uint8_t> appended = ILAppendFirstItem(parent.data(), children.data());
  EXPECT_EQ(2u, ILItemCount(appended.data()));
  EXPECT_EQ("drive", ILItemBytes(ILFindLastID(appended.data())));
  std::vector<uint8_t> combined = ILCombine(parent.data(), children.data());
  EXPECT_EQ(3u, ILItemCount(combined.data()));
  EXPECT_EQ(parent.size() - 2 + children.size(), combined.size());
  EXPECT_EQ(ILCombine(parent.data(), ILFromItemBytes("drive").data()),
            ILWithoutLastItem(combined.data()));
  const uint8_t desktop[] = {0, 0};
  EXPECT_EQ((std::vector<uint8_t>{0, 0}), ILWithoutLastItem(desktop));
  EXPECT_THROW(ILFromItemBytes(std::string(0xFFFE, 'x')), std::length_error);
  std::vector<uint8_t> largest = ILFromItemBytes(std::string(0xFFFD, 'x'));
  EXPECT_EQ(0xFFFFu, ILItemSize(largest.data()));
  EXPECT_EQ(largest.size(), ILCheckedSize(largest.data(), largest.size()));
}

TEST(ItemIdListTest, TheCheckedWalkRefusesListsThatLeaveTheirBlock) {
  std::vector<uint8_t> two = TwoItems();
  EXPECT_EQ(two.size(), ILCheckedSize(two.data(), two.size()));
  // Extra bytes after the terminator are not part of the list.
  two.push_back(0xEE);
  EXPECT_EQ(two.size() - 1, ILCheckedSize(two.data(), two.size()));
  // No room for the terminator, an item running past the end, an item shorter than its size field.
  EXPECT_FALSE(ILCheckedSize(two.data(), two.size() - 2));
  const uint8_t tooLong[] = {9, 0, 'a', 0, 0};
  EXPECT_FALSE(ILCheckedSize(tooLong, sizeof tooLong));
  const uint8_t sizeOne[] = {1, 0, 0, 0};
  EXPECT_FALSE(ILCheckedSize(sizeOne, sizeof sizeOne));
  const uint8_t lone[] = {0};
  EXPECT_FALSE(ILCheckedSize(lone, sizeof lone));
  EXPECT_FALSE(ILCheckedSize(nullptr, 10));
  const uint8_t empty[] = {0, 0};
  EXPECT_EQ(2u, ILCheckedSize(empty, sizeof empty));
}

}  // namespace
}  // namespace talvex
