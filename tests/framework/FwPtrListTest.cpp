#include "framework/FwPtrList.h"

#include "framework/FwString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fx {
namespace {

// Records the order in which items are destroyed.
struct Tracked {
  Tracked(std::vector<std::string>& log, const char* name) : mLog(log), mName(name) {}
  ~Tracked() { mLog.push_back(mName.Get()); }
  std::vector<std::string>& mLog;
  FwString mName;
};

TEST(FwPtrList, AddGetInsertDelete) {
  int a = 1, b = 2, c = 3;
  FwPtrList<int> list;
  EXPECT_EQ(list.Add(&a), &a);
  list.Add(&c);
  list.Insert(1, &b);
  ASSERT_EQ(list.GetSize(), 3);
  EXPECT_EQ(list.Get(0), &a);
  EXPECT_EQ(list.Get(1), &b);
  EXPECT_EQ(list.Get(2), &c);
  EXPECT_EQ(list.Find(&c), 2);
  list.Delete(0);
  EXPECT_EQ(list.Get(0), &b);
  EXPECT_EQ(list.GetSize(), 2);
  EXPECT_EQ(list.Find(&a), -1);
}

TEST(FwPtrList, OutOfRangeIsHarmless) {
  int a = 1;
  FwPtrList<int> list;
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  list.Delete(0);
  list.Set(3, &a);
  list.Add(&a);
  EXPECT_EQ(list.Get(1), nullptr);
  list.Insert(-4, &a);  // clamped to the front
  list.Insert(99, &a);  // clamped to the end
  EXPECT_EQ(list.GetSize(), 3);
}

TEST(FwPtrList, EmptyDeletesLastToFirstAndKeepsMemory) {
  std::vector<std::string> log;
  FwPtrList<Tracked> list;
  list.Add(new Tracked(log, "first"));
  list.Add(new Tracked(log, "second"));
  list.Add(new Tracked(log, "third"));
  const int allocated = list.GetAllocatedBytes();

  list.Empty(true);
  EXPECT_EQ(log, (std::vector<std::string>{"third", "second", "first"}));
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.GetAllocatedBytes(), allocated);

  std::vector<std::string> laterLog;
  Tracked later(laterLog, "later");
  list.Add(&later);
  EXPECT_EQ(list.GetAllocatedBytes(), allocated);
  list.Empty();
}

TEST(FwPtrList, EmptyWithoutDeleteLeavesItemsAlive) {
  std::vector<std::string> log;
  Tracked item(log, "kept");
  FwPtrList<Tracked> list;
  list.Add(&item);
  list.Add(nullptr);
  list.Empty(false);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(list.GetSize(), 0);
}

std::vector<void*> gDeletedThroughFunc;
std::vector<int> gSizeAtDeletion;
const FwPtrList<int>* gListBeingEmptied = nullptr;

// Each item is still the list's last entry while it is deleted; the list shrinks after each deletion (and
// past a null entry without one).
TEST(FwPtrList, DeleteFunctionAndNullEntries) {
  gDeletedThroughFunc.clear();
  gSizeAtDeletion.clear();
  int a = 0, b = 0;
  FwPtrList<int> list;
  list.Add(&a);
  list.Add(nullptr);
  list.Add(&b);
  gListBeingEmptied = &list;
  list.Empty(true, [](void* item) {
    gDeletedThroughFunc.push_back(item);
    gSizeAtDeletion.push_back(gListBeingEmptied->GetSize());
  });
  gListBeingEmptied = nullptr;
  EXPECT_EQ(gDeletedThroughFunc, (std::vector<void*>{&b, &a}));
  EXPECT_EQ(gSizeAtDeletion, (std::vector<int>{3, 1}));
  EXPECT_EQ(list.GetSize(), 0);
}

TEST(FwPtrList, DeleteOneItemWithDelete) {
  std::vector<std::string> log;
  FwPtrList<Tracked> list;
  list.Add(new Tracked(log, "x"));
  list.Add(new Tracked(log, "y"));
  list.Delete(0, true);
  EXPECT_EQ(log, std::vector<std::string>{"x"});
  list.Empty(true);
  EXPECT_EQ(log, (std::vector<std::string>{"x", "y"}));
}

}  // namespace
}  // namespace fx
