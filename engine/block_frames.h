#pragma once
// The blocks a procedure call is inside while it runs. A block statement
// does not run its body through a native call of its own: it pushes a
// frame and moves the call's offset, and the statement loop that runs the
// call's statements one after the other (runStatement) ends the block when
// the offset reaches the frame's end. So blocks nest to any depth without
// native stack, and a loop iteration costs no native call.

#include <array>
#include <cstdint>
#include <vector>

namespace kova {

struct CompiledStatement;

// One block being run. Offsets are relative to the procedure's header.
struct BlockFrame {
  // The opening statement's kind: kIfb (also an ELSEIF), kSelect, kFor,
  // kWhile or kRepeat.
  int32_t kind;
  int32_t start;  // the opening statement
  // IFB and SELECT: the first statement after the running branch (the next
  // ELSEIF, ELSE, CASE or DEFAULT); loops: their closing statement.
  int32_t branchEnd;
  int32_t end;  // the closing statement: ENDIF, SELEND, NEXT, WEND, UNTIL
  // FOR: the value the variable had when the loop went on, the limit and
  // the step.
  double current;
  double to;
  double step;
  const CompiledStatement* statement;  // the opening statement's compiled form
};

// A stack of frames that keeps the first few in place, so that a call
// whose blocks nest no deeper needs no heap block for them.
class BlockStack {
 public:
  // User-provided, so that the frames in place stay uninitialised.
  BlockStack() {}

  uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  BlockFrame& operator[](uint32_t i) { return i < kInPlace ? inPlace_[i] : more_[i - kInPlace]; }
  const BlockFrame& operator[](uint32_t i) const { return i < kInPlace ? inPlace_[i] : more_[i - kInPlace]; }
  BlockFrame& back() { return (*this)[size_ - 1]; }

  void push(const BlockFrame& frame) {
    if (size_ < kInPlace) inPlace_[size_] = frame;
    else more_.push_back(frame);
    ++size_;
  }
  void pop() {
    if (size_ > kInPlace) more_.pop_back();
    --size_;
  }
  // Drops the frames from index `n` on.
  void truncate(uint32_t n) {
    while (size_ > n) pop();
  }

 private:
  static constexpr uint32_t kInPlace = 6;
  // Left uninitialised: only the first size_ entries are ever read.
  std::array<BlockFrame, kInPlace> inPlace_;
  std::vector<BlockFrame> more_;
  uint32_t size_ = 0;
};

}  // namespace kova
