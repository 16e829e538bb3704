// The schedule item and list: links, the order operations at every edge, removal and the
// fileName derived from the path.
#include <gtest/gtest.h>

#include <string>

#include "list_rows.h"
#include "schedule.h"

namespace {

// A list of items named by the letters of names, in that order.
struct TestList {
  ScheduleList list;
  explicit TestList(const char* names) {
    for (const char* letter = names; *letter != '\0'; ++letter) {
      char name[2] = {*letter, '\0'};
      list.append(NewScheduleItem(name, "C:\\x.exe", "", "", 0, 0));
      ++list.itemCount;
    }
  }
  ~TestList() { list.clear(); }
};

// The names from head to tail; "broken" when a prev link disagrees with the walk, the
// head has a prev, or the walk does not match the item count.
std::string Order(const ScheduleList& list) {
  std::string names;
  const ScheduleItem* previous = nullptr;
  int32_t count = 0;
  for (const ScheduleItem* item = list.head; item != nullptr; item = item->next) {
    if (item->prev != previous || count > list.itemCount) return "broken";
    names += item->name;
    previous = item;
    ++count;
  }
  if (count != list.itemCount) return "broken";
  return names;
}

std::string FileNameOf(const char* path) {
  ScheduleItem item;
  item.construct("n", path, "", "", 0, 0);
  return item.fileName;
}

}  // namespace

TEST(ScheduleItem, ConstructSetAndGet) {
  ScheduleItem other;
  other.construct("o", "o", "", "", 0, 0);
  ScheduleItem item;
  item.construct("Mail", "C:\\Mail\\mail.exe", "/x", "C:\\Mail", 5, 1);
  EXPECT_EQ(item.prev, nullptr);
  EXPECT_EQ(item.next, nullptr);
  EXPECT_STREQ(item.fileName, "mail.exe");

  item.link(&other, &other);
  item.set("Backup", "D:\\b.exe", "", "D:\\", -3, 0);
  EXPECT_EQ(item.prev, &other);  // set keeps the item's place
  EXPECT_EQ(item.next, &other);
  EXPECT_STREQ(item.fileName, "b.exe");

  char name[kTextSize], path[kTextSize], arguments[kTextSize], folder[kTextSize];
  int32_t delay = 0, flag = 7;
  item.get(name, path, arguments, folder, &delay, &flag);
  EXPECT_STREQ(name, "Backup");
  EXPECT_STREQ(path, "D:\\b.exe");
  EXPECT_STREQ(arguments, "");
  EXPECT_STREQ(folder, "D:\\");
  EXPECT_EQ(delay, -3);
  EXPECT_EQ(flag, 0);

  // Setting an item from its own texts keeps them.
  item.set(item.name, item.path, item.arguments, item.workFolder, 1, 1);
  EXPECT_STREQ(item.name, "Backup");
  EXPECT_STREQ(item.path, "D:\\b.exe");
}

// An item set from its own texts in another order gets each text as it was before the call,
// not a field already overwritten by it.
TEST(ScheduleItem, SetFromItsOwnTextsInAnyOrder) {
  ScheduleItem item;
  item.construct("Name", "C:\\path.exe", "/args", "D:\\folder", 0, 0);
  item.set(item.path, item.name, item.workFolder, item.arguments, 0, 0);
  EXPECT_STREQ(item.name, "C:\\path.exe");
  EXPECT_STREQ(item.path, "Name");
  EXPECT_STREQ(item.arguments, "D:\\folder");
  EXPECT_STREQ(item.workFolder, "/args");
  EXPECT_STREQ(item.fileName, "Name");
  ScheduleItem other;
  other.construct("Other", "o.exe", "", "", 0, 0);
  item.set(other.name, item.name, item.name, other.path, 0, 0);  // partly from another item
  EXPECT_STREQ(item.name, "Other");
  EXPECT_STREQ(item.path, "C:\\path.exe");
  EXPECT_STREQ(item.arguments, "C:\\path.exe");
  EXPECT_STREQ(item.workFolder, "o.exe");
}

TEST(ScheduleItem, TextsLongerThan259BytesAreCutAtACharacterBoundary) {
  std::string longName(258, 'a');
  longName += "\x95\x5C";  // 表 would need bytes 259 and 260
  ScheduleItem item;
  item.construct(longName.c_str(), std::string(400, 'p').c_str(), "", "", 0, 0);
  EXPECT_EQ(std::string(item.name), std::string(258, 'a'));
  EXPECT_EQ(std::string(item.path).size(), 259u);
}

TEST(ScheduleItem, LinkClearLinksAndUnlink) {
  ScheduleItem a, b, c;
  a.construct("a", "", "", "", 0, 0);
  b.construct("b", "", "", "", 0, 0);
  c.construct("c", "", "", "", 0, 0);
  b.link(&a, &c);
  b.link(nullptr, nullptr);  // never clears a link
  EXPECT_EQ(b.previousItem(), &a);
  EXPECT_EQ(b.nextItem(), &c);
  b.clearLinks(4);
  EXPECT_EQ(b.prev, &a);
  b.clearLinks(1);
  EXPECT_EQ(b.next, nullptr);
  EXPECT_EQ(b.prev, &a);
  b.link(nullptr, &c);
  b.clearLinks(2);
  EXPECT_EQ(b.prev, nullptr);
  EXPECT_EQ(b.next, &c);
  b.clearLinks(3);
  EXPECT_EQ(b.next, nullptr);

  // a <-> b <-> c: unlinking b joins a and c and returns the former next item.
  a.link(nullptr, &b);
  b.link(&a, &c);
  c.link(&b, nullptr);
  EXPECT_EQ(b.unlink(), &c);
  EXPECT_EQ(a.next, &c);
  EXPECT_EQ(c.prev, &a);
  EXPECT_EQ(b.prev, nullptr);
  EXPECT_EQ(b.next, nullptr);
  // Only a previous item: it becomes the tail and is returned.
  EXPECT_EQ(c.unlink(), &a);
  EXPECT_EQ(a.next, nullptr);
  EXPECT_EQ(a.unlink(), nullptr);
}

TEST(ScheduleList, AppendAndAt) {
  TestList t("ABC");
  EXPECT_EQ(Order(t.list), "ABC");
  EXPECT_STREQ(t.list.at(2)->name, "C");
  EXPECT_EQ(t.list.at(3), nullptr);
  EXPECT_EQ(t.list.at(-1), nullptr);
}

TEST(ScheduleList, MovesAtTheEndsChangeNothing) {
  TestList t("ABC");
  EXPECT_FALSE(t.list.moveToTop(-1));
  EXPECT_FALSE(t.list.moveToTop(0));
  EXPECT_FALSE(t.list.moveUp(-1));
  EXPECT_FALSE(t.list.moveUp(0));
  EXPECT_FALSE(t.list.moveDown(-1));
  EXPECT_FALSE(t.list.moveDown(2));
  EXPECT_FALSE(t.list.moveToBottom(-1));
  EXPECT_FALSE(t.list.moveToBottom(2));
  EXPECT_FALSE(t.list.removeAt(-1));
  EXPECT_EQ(Order(t.list), "ABC");

  TestList one("A");
  EXPECT_FALSE(one.list.moveToTop(0));
  EXPECT_FALSE(one.list.moveUp(0));
  EXPECT_FALSE(one.list.moveDown(0));
  EXPECT_FALSE(one.list.moveToBottom(0));
  EXPECT_EQ(Order(one.list), "A");
}

// Every order operation refuses a position before the head or past the tail, and leaves the
// list as it was.
TEST(ScheduleList, PositionsOutsideTheListChangeNothing) {
  using Operation = bool (ScheduleList::*)(int32_t);
  const Operation kOperations[] = {&ScheduleList::moveToTop, &ScheduleList::moveUp,
                                   &ScheduleList::moveDown, &ScheduleList::moveToBottom,
                                   &ScheduleList::removeAt};
  for (Operation operation : kOperations) {
    for (int32_t position : {-2, -1, 3, 4, 100}) {
      TestList t("ABC");
      EXPECT_FALSE((t.list.*operation)(position)) << position;
      EXPECT_EQ(Order(t.list), "ABC") << position;
    }
  }
}

TEST(ScheduleList, ThreeItemOrders) {
  {
    TestList t("ABC");
    EXPECT_TRUE(t.list.moveDown(0));
    EXPECT_EQ(Order(t.list), "BAC");
  }
  {
    TestList t("ABC");
    EXPECT_TRUE(t.list.moveToBottom(0));
    EXPECT_EQ(Order(t.list), "BCA");
  }
  {
    TestList t("ABC");
    EXPECT_TRUE(t.list.moveToTop(2));
    EXPECT_EQ(Order(t.list), "CAB");
    EXPECT_EQ(t.list.at(2)->next, nullptr);  // B is the new tail
  }
  {
    TestList t("ABC");
    EXPECT_TRUE(t.list.moveToTop(1));
    EXPECT_EQ(Order(t.list), "BAC");
    EXPECT_TRUE(t.list.moveUp(2));
    EXPECT_EQ(Order(t.list), "BCA");
    EXPECT_TRUE(t.list.moveDown(1));
    EXPECT_EQ(Order(t.list), "BAC");
    EXPECT_TRUE(t.list.moveToBottom(1));
    EXPECT_EQ(Order(t.list), "BCA");
  }
}

TEST(ScheduleList, MoveUpAtOneOfTwo) {
  TestList t("AB");
  ScheduleItem* a = t.list.head;
  ScheduleItem* b = a->next;
  EXPECT_TRUE(t.list.moveUp(1));
  EXPECT_EQ(t.list.head, b);
  EXPECT_EQ(b->next, a);
  EXPECT_EQ(a->next, nullptr);
  EXPECT_EQ(Order(t.list), "BA");
  EXPECT_TRUE(t.list.moveDown(0));
  EXPECT_EQ(Order(t.list), "AB");
  EXPECT_TRUE(t.list.moveToBottom(0));
  EXPECT_EQ(Order(t.list), "BA");
}

TEST(ScheduleList, EveryMoveOfFiveItemsKeepsTheLinksWhole) {
  const char* kAll = "ABCDE";
  for (int position = 0; position < 5; ++position) {
    for (int operation = 0; operation < 4; ++operation) {
      TestList t(kAll);
      std::string expected = kAll;
      char moved = expected[position];
      int target = position;
      switch (operation) {
        case 0:
          t.list.moveToTop(position);
          target = 0;
          break;
        case 1:
          t.list.moveUp(position);
          target = position > 0 ? position - 1 : 0;
          break;
        case 2:
          t.list.moveDown(position);
          target = position < 4 ? position + 1 : 4;
          break;
        case 3:
          t.list.moveToBottom(position);
          target = 4;
          break;
      }
      expected.erase(position, 1);
      expected.insert(expected.begin() + target, moved);
      EXPECT_EQ(Order(t.list), expected) << "operation " << operation << " at " << position;
    }
  }
}

TEST(ScheduleList, RemoveAt) {
  {
    TestList t("A");
    EXPECT_TRUE(t.list.removeAt(0));
    EXPECT_EQ(t.list.head, nullptr);
    EXPECT_EQ(t.list.itemCount, 0);
  }
  {
    TestList t("ABC");
    EXPECT_TRUE(t.list.removeAt(1));
    EXPECT_EQ(Order(t.list), "AC");
    EXPECT_TRUE(t.list.removeAt(1));
    EXPECT_EQ(Order(t.list), "A");
    EXPECT_FALSE(t.list.removeAt(1));
  }
  {
    TestList t("ABC");
    EXPECT_TRUE(t.list.removeAt(0));
    EXPECT_EQ(Order(t.list), "BC");
    t.list.clear();
    EXPECT_EQ(t.list.head, nullptr);
    EXPECT_EQ(t.list.itemCount, 0);
  }
}

TEST(ScheduleItem, FileNameDerivedFromPath) {
  EXPECT_EQ(FileNameOf("C:\\Program Files\\App\\app.exe"), "app.exe");
  EXPECT_EQ(FileNameOf("C:app.exe"), "app.exe");
  EXPECT_EQ(FileNameOf("notes"), "notes");
  EXPECT_EQ(FileNameOf("C:\\a.b\\prog"), "prog");
  EXPECT_EQ(FileNameOf(""), "");
  EXPECT_EQ(FileNameOf("D:/tools/run.bat"), "run.bat");
  // 表 (0x95 0x5C, octal \225\134) in the file name and in the last folder: its trail byte
  // is no separator.
  EXPECT_EQ(FileNameOf("C:\\dir\\a\225\134b.txt"), "a\225\134b.txt");
  EXPECT_EQ(FileNameOf("C:\\\x95\x5C\\x.exe"), "x.exe");
  EXPECT_EQ(FileNameOf("C:\\\x95\x5C"), "\x95\x5C");
}

TEST(ScheduleItem, FileNamePartsAreCutTo255Bytes) {
  std::string path = "C:\\" + std::string(252, 'b') + ".exe";  // 259 bytes
  EXPECT_EQ(FileNameOf(path.c_str()), path.substr(3));
  std::string longBase = std::string(259, 'b');
  EXPECT_EQ(FileNameOf(longBase.c_str()), std::string(255, 'b'));
  std::string longExtension = "a." + std::string(257, 'e');
  EXPECT_EQ(FileNameOf(longExtension.c_str()), "a." + std::string(254, 'e'));
}

// Rows asked in any order give the item at that position, whichever item was asked last.
TEST(ListRows, ItemAtRowFromAnyLastRow) {
  TestList test("ABCDEFG");
  RowCursor cursor;
  const int32_t rows[] = {0, 1, 2, 6, 5, 5, 3, 1, 6, 0, 4};
  for (int32_t row : rows) {
    const ScheduleItem* item = ItemAtRow(test.list, cursor, row);
    ASSERT_NE(item, nullptr) << row;
    EXPECT_EQ(item->name[0], "ABCDEFG"[row]) << row;
  }
  EXPECT_EQ(ItemAtRow(test.list, cursor, 7), nullptr);
  EXPECT_EQ(ItemAtRow(test.list, cursor, -1), nullptr);
}

TEST(ListRows, ChangedAndVisibleRows) {
  struct Case {
    RowRange range;
    int32_t first;
    int32_t last;  // first > last: no row
  };
  const Case cases[] = {
      // The tick: the rows launched since, and the new waiting row; none when nothing moved.
      {StatusRowsChanged(0, 1, 3), 0, 1},
      {StatusRowsChanged(1, 4, 9), 1, 4},
      {StatusRowsChanged(2, 3, 3), 2, 2},  // the last launch: no waiting row after it
      {StatusRowsChanged(2, 2, 3), 0, -1},
      {StatusRowsChanged(0, 0, 0), 0, -1},
      // What of a change is on a page of 10 rows from row 20.
      {VisibleRows({0, 99999}, 20, 10), 20, 29},
      {VisibleRows({25, 25}, 20, 10), 25, 25},
      {VisibleRows({0, 19}, 20, 10), 0, -1},
      {VisibleRows(kWholeList, 0, 0), 0, -1},
      {RowsFrom(3, 5), 3, 4},
  };
  for (const Case& c : cases) {
    if (c.first > c.last) {
      EXPECT_TRUE(IsEmptyRange(c.range)) << c.range.first << ".." << c.range.last;
    } else {
      EXPECT_EQ(c.range.first, c.first);
      EXPECT_EQ(c.range.last, c.last);
    }
  }
}

TEST(ListRows, TypedNameFindsTheRowTheListViewAsksFor) {
  TestList test("ABACD");
  test.list.at(1)->set("Boot", "C:\\x.exe", "", "", 0, 0);
  test.list.at(3)->set("\x95\x5cmail", "C:\\x.exe", "", "", 0, 0);      // 表mail
  test.list.at(4)->set("\x95\x5c\x83\x5c", "C:\\x.exe", "", "", 0, 0);  // 表ソ
  // Type-ahead (partial, or the newer substring flag alone) goes round the list; a plain
  // string asks for the whole name; without the wrap flag the search ends at the last row;
  // the wrap flag alone asks for no name.
  const uint32_t ahead = kFindPartial | kFindString | kFindWrap, wrap = kFindWrap;
  const uint32_t whole = kFindString | kFindWrap, part = kFindPartial;
  const uint32_t sub = kFindSubstring | kFindWrap, plain = kFindString;
  struct Case {
    int32_t start;
    const char* typed;
    uint32_t flags;
    int32_t row;
  } cases[] = {
      {0, "a", ahead, 0},         {1, "A", ahead, 2},        {3, "a", ahead, 0},
      {-1, "b", ahead, 1},        {9, "b", ahead, 1},        {0, "bOo", ahead, 1},
      {0, "boa", ahead, -1},      {0, "\x95\x5c", ahead, 3}, {0, "\x95\x5c\x83\x5c", ahead, 4},
      {0, "\x95\x7c", ahead, -1}, {0, "", ahead, -1},        {0, "Bo", sub, 1},
      {0, "boot", whole, 1},      {0, "Bo", whole, -1},      {0, "\x95\x5c", plain, -1},
      {3, "a", part, -1},         {2, "a", part, 2},         {9, "b", part, -1},
      {0, "a", wrap, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindRowByName(test.list, c.start, c.typed, NameSearchFromFlags(c.flags)), c.row)
        << c.start << " " << c.typed << " " << c.flags;
  }
}
