// The ownership rules of UniqueResource (platform/unique_resource.h), over
// fake resources whose release is recorded: every valid value is released
// exactly once, by its last owner, with the state it was acquired with;
// invalid values never are.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/unique_resource.h"

namespace kova {
namespace {

// Released values with the "window" each was released for, in order.
struct Closed {
  int value;
  int window;
  bool operator==(const Closed&) const = default;
};
std::vector<Closed> closed;

// Like a kernel handle: 0 is what an empty owner holds, and -1 (the
// INVALID_HANDLE_VALUE of a file API) must not be released either.
struct FakeHandle {
  using Value = int;
  static Value invalid() { return 0; }
  static bool valid(Value v) { return v != 0 && v != -1; }
  void close(Value v) { closed.push_back({v, 0}); }
};

// Like a window DC: released for the window it came from.
struct FakeDc {
  using Value = int;
  int window = 0;
  static Value invalid() { return 0; }
  static bool valid(Value v) { return v != 0; }
  void close(Value v) { closed.push_back({v, window}); }
};

using Handle = UniqueResource<FakeHandle>;
using Dc = UniqueResource<FakeDc>;

class UniqueResourceTest : public ::testing::Test {
 protected:
  void SetUp() override { closed.clear(); }
};

TEST_F(UniqueResourceTest, ReleasesOnceAtTheEndOfItsLife) {
  {
    Handle h(7);
    EXPECT_TRUE(h);
    EXPECT_EQ(h.get(), 7);
    EXPECT_TRUE(closed.empty());
  }
  EXPECT_EQ(closed, (std::vector<Closed>{{7, 0}}));
}

TEST_F(UniqueResourceTest, InvalidValuesAreNeverReleased) {
  {
    Handle empty;
    Handle failedFileOpen(-1);
    EXPECT_FALSE(empty);
    EXPECT_FALSE(failedFileOpen);
    EXPECT_EQ(empty.get(), 0);
    failedFileOpen.reset(0);
  }
  EXPECT_TRUE(closed.empty());
}

TEST_F(UniqueResourceTest, MoveLeavesTheSourceEmptyAndReleasesOnce) {
  {
    Handle a(5);
    Handle b(std::move(a));
    EXPECT_FALSE(a);  // the moved-from state is part of the contract
    EXPECT_EQ(a.get(), 0);
    EXPECT_EQ(b.get(), 5);
    Handle c;
    c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(c.get(), 5);
    EXPECT_TRUE(closed.empty());
  }
  EXPECT_EQ(closed, (std::vector<Closed>{{5, 0}}));
}

TEST_F(UniqueResourceTest, MoveAssignmentReleasesTheOldValueFirst) {
  Handle a(1);
  Handle b(2);
  a = std::move(b);
  EXPECT_EQ(closed, (std::vector<Closed>{{1, 0}}));
  EXPECT_EQ(a.get(), 2);
  // Assigning an owner to itself keeps the value and releases nothing.
  Handle& self = a;
  a = std::move(self);
  EXPECT_EQ(a.get(), 2);
  EXPECT_EQ(closed.size(), 1u);
}

TEST_F(UniqueResourceTest, ReleaseGivesUpWithoutReleasing) {
  Handle h(9);
  EXPECT_EQ(h.release(), 9);
  EXPECT_FALSE(h);
  EXPECT_EQ(h.release(), 0);  // an empty owner gives its invalid value
  h.reset();
  EXPECT_TRUE(closed.empty());
}

TEST_F(UniqueResourceTest, ResetAndReceiveReleaseWhatWasHeld) {
  Handle h(3);
  h.reset(4);
  EXPECT_EQ(closed, (std::vector<Closed>{{3, 0}}));
  // receive(): the old value is released before the system call stores
  // the new one through the pointer.
  int* slot = h.receive();
  EXPECT_EQ(closed, (std::vector<Closed>{{3, 0}, {4, 0}}));
  EXPECT_EQ(*slot, 0);
  *slot = 8;
  EXPECT_EQ(h.get(), 8);
  h.reset();
  EXPECT_EQ(closed.back(), (Closed{8, 0}));
  EXPECT_EQ(closed.size(), 3u);
}

// The traits' state (the DC's window) travels with the value: each DC is
// released for its own window, also after moves between owners.
TEST_F(UniqueResourceTest, StateOfTheTraitsMovesWithTheValue) {
  {
    Dc first(10, FakeDc{100});
    Dc second(20, FakeDc{200});
    Dc moved(std::move(first));
    EXPECT_EQ(moved.traits().window, 100);
    second = std::move(moved);  // releases 20 for window 200
    EXPECT_EQ(closed, (std::vector<Closed>{{20, 200}}));
    EXPECT_EQ(second.traits().window, 100);
  }
  EXPECT_EQ(closed, (std::vector<Closed>{{20, 200}, {10, 100}}));
}

// Owners in a container: growing it moves them, and nothing is released
// until the container goes.
TEST_F(UniqueResourceTest, OwnersInAVectorSurviveReallocation) {
  {
    std::vector<Handle> all;
    for (int i = 1; i <= 20; ++i) all.emplace_back(i);
    EXPECT_TRUE(closed.empty());
  }
  ASSERT_EQ(closed.size(), 20u);
  std::vector<int> values;
  for (const Closed& c : closed) values.push_back(c.value);
  std::sort(values.begin(), values.end());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(values[i], i + 1);
}

}  // namespace
}  // namespace kova
