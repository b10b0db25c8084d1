// The native backend: a translator from compiled code to x87 machine code for
// x86-64 (System V and Windows calling conventions) and i386, and the cache of
// translated shapes.
//
// Machine model of the translation. The code is straight-line, so the stack
// depth is known at every instruction: the values of the interpreter's stack
// lie in the frame's stack memory, one slot per position, except the top ones,
// which stay in x87 registers (the top in st(0)) while there is room. At every
// call of a routine the register stack is empty, as all three calling
// conventions require: the routine's operands go to its arguments or slots and
// every other register value to its slot. Where long double arguments are passed
// in memory and the result comes back in st(0) (System V, i386) the routines of
// one and two values are called directly, as compiled C++ calls them; the
// others, and all of them on Windows x64 (which passes long doubles by
// reference), through thunks that take only pointers (the instruction, the first
// operand's slot, the frame). Code that calls nothing runs, on x86-64, in
// scratch registers without a frame of its own.
#include "lang/native.h"

#include <cstring>

#include "base/executablememory.h"
#include "lang/mathlib.h"
#include "lang/nodes.h"

#if defined(__x86_64__) || defined(__i386__)
#define VX_NATIVE_CODE 1
#endif

namespace vx {

namespace native_detail {
NativeFunction functions[kNativeSlots + 1];
NativeRowFunction rowFunctions[kNativeSlots + 1];
}  // namespace native_detail

#ifdef VX_NATIVE_CODE

namespace {

// ---- The routines native code calls ----------------------------------------------

using Thunk = void (*)(const Instruction*, real*, const NativeFrame*);

void callUnary(const Instruction* ip, real* v, const NativeFrame*) { v[0] = ip->unary(v[0]); }
void callBinary(const Instruction* ip, real* v, const NativeFrame*) { v[0] = ip->binary(v[0], v[1]); }
void callTriple(const Instruction* ip, real* v, const NativeFrame*) {
  real out[3];
  ip->triple(v[0], v[1], v[2], out);
  v[0] = out[0];
  v[1] = out[1];
  v[2] = out[2];
}
void callLn(const Instruction*, real* v, const NativeFrame*) { v[0] = math::ln(v[0]); }
void callLog(const Instruction*, real* v, const NativeFrame*) { v[0] = math::log10(v[0]); }
void callPercent(const Instruction*, real* v, const NativeFrame*) { v[0] = math::percent(v[0]); }
void callNear(const Instruction* ip, real* v, const NativeFrame* f) {
  v[0] = nearTest(*f->code->state, ip->aux, f->point, v[0], v[1], v[2]);
}
void callDataLookup(const Instruction* ip, real* v, const NativeFrame* f) {
  v[0] = dataLookup(*f->code->state, *ip->grid, ip->aux, f->point);
}

// ---- Machine code -------------------------------------------------------------------

enum Reg : int { kAx = 0, kCx = 1, kDx = 2, kBx = 3, kSp = 4, kBp = 5, kSi = 6, kDi = 7, kR8 = 8, kR9 = 9, kR10 = 10, kR11 = 11, kR12 = 12, kR13 = 13, kR14 = 14 };

#if defined(__x86_64__)
constexpr bool kWide = true;
// Registers the called routines keep on both x86-64 conventions.
constexpr Reg kFrameReg = kBx, kCodeReg = kR12, kStackReg = kR13, kPointReg = kR14;
constexpr Reg kSaved[] = {kBx, kR12, kR13, kR14};
#ifdef _WIN64
constexpr Reg kArgs[] = {kCx, kDx, kR8};
#else
constexpr Reg kArgs[] = {kDi, kSi, kDx};
#endif
// Four saved registers and the return address leave the machine stack 8 bytes
// off its 16-byte alignment; 40 more restore it and give Windows' 32-byte home
// area of the called routine's arguments.
constexpr std::uint8_t kLocalBytes = 40;
#else
constexpr bool kWide = false;
constexpr Reg kFrameReg = kBx, kCodeReg = kSi, kStackReg = kDi, kPointReg = kBp;
constexpr Reg kSaved[] = {kBp, kBx, kSi, kDi};
// Room for three pointer or two long double arguments, keeping a 16-byte
// aligned stack 16-byte aligned.
constexpr std::uint8_t kLocalBytes = 28;
#endif
constexpr int kSavedCount = static_cast<int>(sizeof(kSaved) / sizeof(kSaved[0]));
// Where long double arguments lie in memory at the call and the result comes
// back in st(0) (System V and i386), the routines of one and two values are
// called directly, as compiled C++ calls them; Windows x64 passes them by
// reference, and there every routine is called through a thunk.
#if defined(_WIN64)
constexpr bool kDirectCalls = false;
#else
constexpr bool kDirectCalls = true;
#endif

class Emitter {
 public:
  Emitter(std::uint8_t* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}
  std::size_t size() const { return size_; }
  bool overflowed() const { return size_ > capacity_; }

  void byte(std::uint8_t b) {
    if (size_ < capacity_) buffer_[size_] = b;
    ++size_;
  }
  void bytes2(std::uint8_t a, std::uint8_t b) {
    byte(a);
    byte(b);
  }
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void word(std::uintptr_t v) {
    for (std::size_t i = 0; i < sizeof(v); ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }

  // The prefix for a pointer-sized operation (wide) and registers above 7.
  void rex(bool wide, int reg, int base) {
    const std::uint8_t r = static_cast<std::uint8_t>(0x40 | (wide ? 8 : 0) | ((reg & 8) ? 4 : 0) | ((base & 8) ? 1 : 0));
    if (r != 0x40) byte(r);
  }
  // [base + disp32] with `field` in the reg field.
  void memory(int field, int base, std::int32_t disp) {
    byte(static_cast<std::uint8_t>(0x80 | ((field & 7) << 3) | (base & 7)));
    if ((base & 7) == kSp) byte(0x24);
    u32(static_cast<std::uint32_t>(disp));
  }
  void memoryOp(bool wide, std::uint8_t opcode, int field, int base, std::int32_t disp) {
    rex(wide, field, base);
    byte(opcode);
    memory(field, base, disp);
  }
  // A floating-point instruction on memory: `opcode` /digit.
  void x87(std::uint8_t opcode, int digit, int base, std::int32_t disp) { memoryOp(false, opcode, digit, base, disp); }
  void loadPointer(int reg, int base, std::int32_t disp) { memoryOp(kWide, 0x8B, reg, base, disp); }
  void addPointer(int reg, int base, std::int32_t disp) { memoryOp(kWide, 0x03, reg, base, disp); }
  void address(int reg, int base, std::int32_t disp) { memoryOp(kWide, 0x8D, reg, base, disp); }
  void storePointer(int base, std::int32_t disp, int reg) { memoryOp(kWide, 0x89, reg, base, disp); }
  void copyPointer(int to, int from) {
    rex(kWide, from, to);
    bytes2(0x89, static_cast<std::uint8_t>(0xC0 | ((from & 7) << 3) | (to & 7)));
  }
  void push(int reg) {
    rex(false, 0, reg);
    byte(static_cast<std::uint8_t>(0x50 | (reg & 7)));
  }
  void pop(int reg) {
    rex(false, 0, reg);
    byte(static_cast<std::uint8_t>(0x58 | (reg & 7)));
  }
  // sub/add of the machine stack pointer.
  void reserveStack(std::uint8_t n) {
    rex(kWide, 0, 0);
    bytes2(0x83, 0xEC);
    byte(n);
  }
  void freeStack(std::uint8_t n) {
    rex(kWide, 0, 0);
    bytes2(0x83, 0xC4);
    byte(n);
  }
  void callAbsolute(std::uintptr_t target) {
    rex(kWide, 0, 0);
    byte(0xB8);  // mov ax, target
    word(target);
    bytes2(0xFF, 0xD0);  // call ax
  }

 private:
  std::uint8_t* buffer_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

// One fused binary instruction's x87 digit for a memory operand (DC /digit),
// where the operand is the right one (the top is the left) or the left one.
constexpr int kMemoryDigit[][2] = {
    /* add */ {0, 0},
    /* subtract: top - m, m - top */ {4, 5},
    /* multiply */ {1, 1},
    /* divide: top / m, m / top */ {6, 7},
    /* reverse subtract: m - top, top - m */ {5, 4},
};
// The popping register form for left in st(1), right in st(0): DE xx.
constexpr std::uint8_t kPopForm[] = {
    /* add */ 0xC1,
    /* subtract: st1 - st0 */ 0xE9,
    /* multiply */ 0xC9,
    /* divide: st1 / st0 */ 0xF9,
    /* reverse subtract: st0 - st1 */ 0xE1,
};

constexpr std::int32_t slotOf(std::uint32_t position) { return static_cast<std::int32_t>(position * sizeof(real)); }
constexpr std::int32_t instructionAt(std::uint32_t index) { return static_cast<std::int32_t>(index * sizeof(Instruction)); }
constexpr std::int32_t operandOf(std::uint32_t index) {
  return instructionAt(index) + static_cast<std::int32_t>(offsetof(Instruction, imm));
}
constexpr std::int32_t frameField(std::size_t offset) { return static_cast<std::int32_t>(offset); }

[[maybe_unused]] bool callsRoutines(const CompiledCode& code) {
  for (std::uint32_t i = 0; i < code.count; ++i) {
    switch (code.instructions()[i].opcode) {
      case kOpLn: case kOpLog: case kOpPercent: case kOpCall1: case kOpCall2: case kOpCallTriple:
      case kOpNear: case kOpDataLookup: return true;
      default: break;
    }
  }
  return false;
}

class Translator {
 public:
  explicit Translator(Emitter& e) : e_(e) {}

  // False when the code is not what the interpreter could run either. A row
  // function runs the same body once per point of the frame's row.
  bool translate(const CompiledCode& code, bool row) {
    row_ = row;
    shape_ = code.shape;
#if defined(__x86_64__)
    // Code that calls no routine needs no register the calling conventions keep:
    // it runs in scratch registers, without saving any.
    if (!callsRoutines(code)) {
      leaf_ = true;
      frame_ = kArgs[0];
      code_ = kR8;
      stack_ = kR9;
      point_ = kR10;
    }
#endif
    prologue();
    const Instruction* ins = code.instructions();
    if (row_) {
      advanceTables_ = false;
      for (std::uint32_t i = 0; i < code.count; ++i) advanceTables_ = advanceTables_ || ins[i].opcode == kOpLoadTable;
      if (leaf_) rowRegisters();
      loopStart_ = e_.size();
      // Every point starts with a clear status, as a single run does.
      e_.memoryOp(false, 0xC7, 0, frame_, frameField(offsetof(NativeFrame, status)));
      e_.u32(0);
    }
    for (std::uint32_t i = 0; i < code.count; ++i) {
      if (ins[i].opcode == kOpReturn) {
        if (depth_ != resultDepth(code.shape) || i + 1 != code.count) return false;
        return row_ ? nextPoint() : (finish(), true);
      }
      if (!instruction(ins[i].opcode, i)) return false;
    }
    return false;
  }

 private:
  static constexpr std::uint32_t kRegisters = 7;  // one of the eight stays free for an operand

  void prologue() {
    if (leaf_) {
      loadFrame();
      return;
    }
    for (Reg r : kSaved) e_.push(r);
    e_.reserveStack(kLocalBytes);
#if defined(__x86_64__)
    e_.copyPointer(kFrameReg, kArgs[0]);
#else
    e_.loadPointer(kFrameReg, kSp, kLocalBytes + 4 * (kSavedCount + 1));
#endif
    loadFrame();
  }
  void loadFrame() {
    e_.loadPointer(code_, frame_, frameField(offsetof(NativeFrame, instructions)));
    e_.loadPointer(stack_, frame_, frameField(offsetof(NativeFrame, stack)));
    e_.loadPointer(point_, frame_, frameField(offsetof(NativeFrame, point)));
  }

  void epilogue() {
    if (leaf_) {
      e_.byte(0xC3);
      return;
    }
    e_.freeStack(kLocalBytes);
    for (int i = kSavedCount - 1; i >= 0; --i) e_.pop(kSaved[i]);
    e_.byte(0xC3);
  }

  // A leaf row keeps what advances from point to point in scratch registers
  // (rows are short and run back to back, and each add to the frame in memory
  // had to wait for the one before): the status pointer in r11, the tables'
  // offset in dx, and the row's end, where the status pointer stops, in the
  // frame's status pointer field, which nothing reads after the row.
  void rowRegisters() {
    e_.loadPointer(kR11, frame_, frameField(offsetof(NativeFrame, statuses)));
    e_.memoryOp(false, 0x8B, kAx, frame_, frameField(offsetof(NativeFrame, count)));  // mov eax, count
    e_.rex(kWide, kAx, kAx);
    e_.bytes2(0x01, 0xC0);  // add ax, ax: two bytes per status
    e_.rex(kWide, kR11, kAx);
    e_.bytes2(0x01, static_cast<std::uint8_t>(0xC0 | ((kR11 & 7) << 3) | kAx));  // add ax, r11
    e_.storePointer(frame_, frameField(offsetof(NativeFrame, statuses)), kAx);
    if (advanceTables_) e_.loadPointer(kDx, frame_, frameField(offsetof(NativeFrame, tableOffset)));
  }
  // Adds a small constant to a register.
  void addToRegister(int reg, std::uint8_t n) {
    e_.rex(kWide, 0, reg);
    e_.bytes2(0x83, static_cast<std::uint8_t>(0xC0 | (reg & 7)));
    e_.byte(n);
  }

  // The end of one point in a row function: its status stored, the point, the
  // tables' entry and the status pointer advanced, and back to the body while
  // points remain. A value's status is its comparison with zero.
  bool nextPoint() {
    if (shape_ == CodeShape::Triple) return false;
    if (shape_ == CodeShape::Value) {
      needTop();
      e_.bytes2(0xD9, 0xE4);  // ftst
      e_.bytes2(0xDF, 0xE0);  // fnstsw ax, before the pop leaves C0..C3 undefined
      e_.bytes2(0xDD, 0xD8);  // fstp st0
      e_.byte(0x25);          // and eax, C3 | C2 | C0
      e_.u32(kStatusLess | kStatusEqual | kStatusUnordered);
      popped(1);
    } else {
      e_.memoryOp(false, 0x8B, kAx, frame_, frameField(offsetof(NativeFrame, status)));
    }
    if (leaf_) return nextPointInRegisters();
    e_.loadPointer(kDx, frame_, frameField(offsetof(NativeFrame, statuses)));
    e_.byte(0x66);  // mov word [dx], ax
    e_.memoryOp(false, 0x89, kAx, kDx, 0);
    e_.memoryOp(kWide, 0x83, 0, frame_, frameField(offsetof(NativeFrame, statuses)));  // add, 2
    e_.byte(sizeof(std::uint16_t));
    e_.rex(kWide, 0, point_);
    e_.bytes2(0x83, static_cast<std::uint8_t>(0xC0 | (point_ & 7)));  // add point, 8
    e_.byte(sizeof(double));
    // Routines that read the point (near, data) find it in the frame.
    if (!leaf_) e_.storePointer(frame_, frameField(offsetof(NativeFrame, point)), point_);
    if (advanceTables_) {
      e_.memoryOp(kWide, 0x83, 0, frame_, frameField(offsetof(NativeFrame, tableOffset)));
      e_.byte(sizeof(real));
    }
    e_.memoryOp(false, 0x83, 5, frame_, frameField(offsetof(NativeFrame, count)));  // sub, 1
    e_.byte(1);
    e_.bytes2(0x0F, 0x85);  // jnz rel32
    e_.u32(static_cast<std::uint32_t>(static_cast<std::int64_t>(loopStart_) - static_cast<std::int64_t>(e_.size() + 4)));
    epilogue();
    return true;
  }

  bool nextPointInRegisters() {
    e_.byte(0x66);  // mov word [r11], ax
    e_.memoryOp(false, 0x89, kAx, kR11, 0);
    addToRegister(kR11, sizeof(std::uint16_t));
    addToRegister(point_, sizeof(double));
    if (advanceTables_) addToRegister(kDx, sizeof(real));
    e_.memoryOp(kWide, 0x3B, kR11, frame_, frameField(offsetof(NativeFrame, statuses)));  // cmp r11, end
    e_.bytes2(0x0F, 0x85);  // jne rel32
    e_.u32(static_cast<std::uint32_t>(static_cast<std::int64_t>(loopStart_) - static_cast<std::int64_t>(e_.size() + 4)));
    epilogue();
    return true;
  }

  // Stores every value held in registers to its slot.
  void spill() {
    for (std::uint32_t p = depth_; inRegisters_ > 0; --inRegisters_) e_.x87(0xDB, 7, stack_, slotOf(--p));  // fstp m80
  }
  // The values in their slots, or with the top returned in st(0) (0 when the
  // stack is empty).
  void finish() {
    if (!kNativeReturnsTop || depth_ == 0) {
      spill();
      if (kNativeReturnsTop) e_.bytes2(0xD9, 0xEE);  // fldz
    } else {
      needTop();
      for (std::uint32_t p = depth_ - 1; inRegisters_ > 1; --inRegisters_) {
        e_.bytes2(0xD9, 0xC9);                 // fxch: the value below on top
        e_.x87(0xDB, 7, stack_, slotOf(--p));  // fstp m80
      }
    }
    epilogue();
  }
  void loadSlot(std::uint32_t position) { e_.x87(0xDB, 5, stack_, slotOf(position)); }  // fld m80
  void needTop() {
    if (inRegisters_ > 0) return;
    loadSlot(depth_ - 1);
    inRegisters_ = 1;
  }
  void needTwo() {
    if (inRegisters_ >= 2) return;
    if (inRegisters_ == 1) {
      loadSlot(depth_ - 2);
      e_.bytes2(0xD9, 0xC9);  // fxch: the right operand back on top
    } else {
      loadSlot(depth_ - 2);
      loadSlot(depth_ - 1);
    }
    inRegisters_ = 2;
  }
  void beforePush() {
    if (inRegisters_ == kRegisters) spill();
  }
  void pushed() {
    ++depth_;
    ++inRegisters_;
  }
  void popped(std::uint32_t n) {
    depth_ -= n;
    inRegisters_ -= n;
  }

  struct Operand {
    int base;
    std::int32_t disp;
  };
  // The double a fused instruction's leaf form reads.
  Operand leaf(LeafForm form, std::uint32_t i) {
    switch (form) {
      case kFormImmRight:
      case kFormImmLeft: return {code_, operandOf(i)};
      case kFormCellRight:
      case kFormCellLeft: e_.loadPointer(kAx, code_, operandOf(i)); return {kAx, 0};
      default: return {point_, 0};
    }
  }
  static bool isRight(LeafForm form) { return form == kFormImmRight || form == kFormCellRight || form == kFormPointRight; }

  void storeStatus() {
    e_.bytes2(0xDF, 0xE0);  // fnstsw ax
    e_.byte(0x25);          // and eax, C3 | C2 | C0
    e_.u32(kStatusLess | kStatusEqual | kStatusUnordered);
    e_.memoryOp(false, 0x89, kAx, frame_, frameField(offsetof(NativeFrame, status)));
  }

  // status := right compared with left, both popped.
  bool compare(LeafForm form, std::uint32_t i) {
    if (form == kFormStack) {
      if (depth_ < 2) return false;
      needTwo();
      e_.bytes2(0xDA, 0xE9);  // fucompp: st0 (right) against st1 (left)
      storeStatus();
      popped(2);
      return true;
    }
    if (depth_ < 1) return false;
    needTop();
    Operand m = leaf(form, i);
    if (isRight(form)) {
      e_.x87(0xDD, 0, m.base, m.disp);  // fld m64: the right operand over the left
      e_.bytes2(0xDA, 0xE9);            // fucompp
    } else {
      e_.x87(0xDC, 3, m.base, m.disp);  // fcomp m64: the top (right) against the left
    }
    storeStatus();
    popped(1);
    return true;
  }

  bool binary(BinaryOp op, LeafForm form, std::uint32_t i) {
    if (op == kOpCompare) return compare(form, i);
    if (form == kFormStack) {
      if (depth_ < 2) return false;
      needTwo();
      e_.bytes2(0xDE, kPopForm[op]);
      popped(1);
      return true;
    }
    if (depth_ < 1) return false;
    needTop();
    Operand m = leaf(form, i);
    e_.x87(0xDC, kMemoryDigit[op][isRight(form) ? 0 : 1], m.base, m.disp);
    return true;
  }

  // Calls `thunk` on the values from `first` up, with the register stack empty.
  void call(Thunk thunk, std::uint32_t index, std::uint32_t first) {
    spill();
#if defined(__x86_64__)
    e_.address(kArgs[0], code_, instructionAt(index));
    e_.address(kArgs[1], stack_, slotOf(first));
    e_.copyPointer(kArgs[2], frame_);
#else
    e_.address(kAx, code_, instructionAt(index));
    e_.storePointer(kSp, 0, kAx);
    e_.address(kAx, stack_, slotOf(first));
    e_.storePointer(kSp, 4, kAx);
    e_.storePointer(kSp, 8, frame_);
#endif
    e_.callAbsolute(reinterpret_cast<std::uintptr_t>(thunk));
  }
  // A routine of `n` operands on the top that leaves one value.
  bool callOnTop(Thunk thunk, std::uint32_t index, std::uint32_t n) {
    if (depth_ < n) return false;
    call(thunk, index, depth_ - n);
    depth_ -= n - 1;
    return true;
  }
  // A routine real(real) or real(real, real) called with its operands, the top
  // ones, as arguments in memory: the other registers go to their slots, and the
  // result stays in st(0).
  bool callDirect(std::uint32_t n, std::uint32_t index, std::uintptr_t fixedRoutine) {
    if (depth_ < n) return false;
    if (n == 2)
      needTwo();
    else
      needTop();
    for (std::uint32_t k = n; k-- > 0;) e_.x87(0xDB, 7, kSp, slotOf(k));  // fstp m80: argument k
    inRegisters_ -= n;
    for (std::uint32_t p = depth_ - n; inRegisters_ > 0; --inRegisters_) e_.x87(0xDB, 7, stack_, slotOf(--p));
    if (fixedRoutine) {
      e_.callAbsolute(fixedRoutine);
    } else {
      e_.loadPointer(kAx, code_, operandOf(index));
      e_.bytes2(0xFF, 0xD0);  // call ax
    }
    depth_ -= n - 1;
    inRegisters_ = 1;
    return true;
  }
  bool callRoutine(Thunk thunk, std::uint32_t index, std::uint32_t n, real (*fixed)(real)) {
    if (!kDirectCalls) return callOnTop(thunk, index, n);
    return callDirect(n, index, fixed ? reinterpret_cast<std::uintptr_t>(fixed) : 0);
  }
  bool unaryInline(std::uint8_t second) {
    if (depth_ < 1) return false;
    needTop();
    e_.bytes2(0xD9, second);
    return true;
  }
  void loadDouble(Operand m) {
    beforePush();
    e_.x87(0xDD, 0, m.base, m.disp);  // fld m64
    pushed();
  }

  bool instruction(std::uint32_t opcode, std::uint32_t i) {
    if (opcode < kOpReturn)
      return binary(static_cast<BinaryOp>(opcode / kLeafFormCount), static_cast<LeafForm>(opcode % kLeafFormCount), i);
    switch (opcode) {
      case kOpReturn: finish(); return true;
      case kOpLoadImm: loadDouble({code_, operandOf(i)}); return true;
      case kOpLoadCell:
        e_.loadPointer(kAx, code_, operandOf(i));
        loadDouble({kAx, 0});
        return true;
      case kOpLoadPoint: loadDouble({point_, 0}); return true;
      case kOpLoadSquaredPoint:
        loadDouble({point_, 0});
        e_.bytes2(0xD8, 0xC8);  // fmul st0, st0
        return true;
      case kOpNegate: return unaryInline(0xE0);  // fchs
      case kOpAbs: return unaryInline(0xE1);     // fabs
      case kOpSqrt: return unaryInline(0xFA);    // fsqrt, as the library's square root
      case kOpSqr:
        if (depth_ < 1) return false;
        needTop();
        e_.bytes2(0xD8, 0xC8);
        return true;
      case kOpLn: return callRoutine(callLn, i, 1, math::ln);
      case kOpLog: return callRoutine(callLog, i, 1, math::log10);
      case kOpPercent: return callRoutine(callPercent, i, 1, math::percent);
      case kOpCall1: return callRoutine(callUnary, i, 1, nullptr);
      case kOpCall2: return callRoutine(callBinary, i, 2, nullptr);
      case kOpCallTriple:
        if (depth_ < 3) return false;
        call(callTriple, i, depth_ - 3);
        return true;
      case kOpNear: return callOnTop(callNear, i, 3);
      case kOpDataLookup:
        call(callDataLookup, i, depth_);
        ++depth_;
        return true;
      case kOpCompareZero:
        if (depth_ < 1) return false;
        needTop();
        e_.bytes2(0xD9, 0xE4);  // ftst
        storeStatus();
        e_.bytes2(0xDD, 0xD8);  // fstp st0
        popped(1);
        return true;
      case kOpSaveStatus:
        beforePush();
        e_.x87(0xDB, 0, frame_, frameField(offsetof(NativeFrame, status)));  // fild m32
        pushed();
        return true;
      case kOpOrStatus:
        if (depth_ < 1) return false;
        needTop();
        e_.x87(0xDB, 3, frame_, frameField(offsetof(NativeFrame, scratch)));  // fistp m32
        e_.memoryOp(false, 0x8B, kAx, frame_, frameField(offsetof(NativeFrame, scratch)));
        e_.memoryOp(false, 0x09, kAx, frame_, frameField(offsetof(NativeFrame, status)));
        popped(1);
        return true;
      case kOpLoadStatus:
        e_.rex(false, kAx, code_);
        e_.bytes2(0x0F, 0xB7);  // movzx eax, word [aux]
        e_.memory(kAx, code_, instructionAt(i) + static_cast<std::int32_t>(offsetof(Instruction, aux)));
        e_.memoryOp(false, 0x89, kAx, frame_, frameField(offsetof(NativeFrame, status)));
        return true;
      case kOpLoadTable:
        e_.loadPointer(kAx, code_, operandOf(i));
        if (row_ && leaf_) {
          e_.rex(kWide, kDx, kAx);
          e_.bytes2(0x01, static_cast<std::uint8_t>(0xC0 | (kDx << 3) | kAx));  // add ax, dx
        } else {
          e_.addPointer(kAx, frame_, frameField(offsetof(NativeFrame, tableOffset)));
        }
        beforePush();
        e_.x87(0xDB, 5, kAx, 0);  // fld m80
        pushed();
        return true;
      default: return false;
    }
  }

  Emitter& e_;
  bool row_ = false, advanceTables_ = false;
  CodeShape shape_ = CodeShape::Value;
  std::size_t loopStart_ = 0;
  bool leaf_ = false;
  Reg frame_ = kFrameReg, code_ = kCodeReg, stack_ = kStackReg, point_ = kPointReg;
  std::uint32_t depth_ = 0;        // values on the interpreter's stack
  std::uint32_t inRegisters_ = 0;  // the top ones of them in x87 registers
};

// ---- The cache of shapes ------------------------------------------------------------

constexpr std::size_t kArenaBytes = std::size_t{1} << 20;
constexpr std::uint32_t kMaxInstructions = 1024;
constexpr std::size_t kKeyPoolBytes = std::size_t{1} << 18;
constexpr std::size_t kMaxShapes = kNativeSlots * 3 / 4;
constexpr std::size_t kBufferBytes = std::size_t{1} << 16;

struct Entry {
  std::uint32_t hash;
  std::uint32_t keyOffset;
  std::uint32_t keyLength;  // 0: free
};

struct Cache {
  ExecutableMemory* memory = nullptr;
  bool on = true;
  bool withdrawn = false;  // the system refused a protection change: interpreter only
  std::uint8_t* arena = nullptr;
  std::size_t used = 0;
  NativeCacheStats stats;
  Entry entries[kNativeSlots];
  // The slot found last (0: none): the walk compiles every row of a redraw to
  // the same shape, so most lookups end here without hashing.
  std::uint32_t lastSlot = 0;
  std::size_t keysUsed = 0;
  std::uint8_t keys[kKeyPoolBytes];
  std::uint8_t buffer[kBufferBytes];
};

Cache cache;

void withdrawAll() {
  cache.withdrawn = true;
  for (NativeFunction& f : native_detail::functions) f = nullptr;
  for (NativeRowFunction& f : native_detail::rowFunctions) f = nullptr;
}

std::uint32_t hashKey(const std::uint8_t* key, std::size_t length) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < length; ++i) h = (h ^ key[i]) * 16777619u;
  return h;
}

// Copies the translated code into the arena: the pages it touches are writable
// only while it is written.
NativeFunction install(std::size_t size) {
  if (!cache.arena) {
    cache.arena = static_cast<std::uint8_t*>(cache.memory->reserve(kArenaBytes));
    if (!cache.arena) {
      withdrawAll();
      return nullptr;
    }
  }
  const std::size_t start = (cache.used + 15) & ~std::size_t{15};
  if (start + size > kArenaBytes) return nullptr;
  const std::size_t page = cache.memory->pageSize();
  const std::size_t first = start / page * page;
  const std::size_t end = (start + size + page - 1) / page * page;
  cache.stats.protectionChanges += 2;
  if (!cache.memory->makeWritable(cache.arena + first, end - first)) {
    withdrawAll();
    return nullptr;
  }
  std::memcpy(cache.arena + start, cache.buffer, size);
  if (!cache.memory->makeExecutable(cache.arena + first, end - first)) {
    withdrawAll();
    return nullptr;
  }
  cache.used = start + size;
  cache.stats.codeBytes += size;
  return reinterpret_cast<NativeFunction>(cache.arena + start);
}

// The single-point function and, after it, the row function (where the shape
// has one), installed together.
NativeFunction translate(const CompiledCode& code, NativeRowFunction* row) {
  *row = nullptr;
  Emitter emitter(cache.buffer, kBufferBytes);
  if (!Translator(emitter).translate(code, false)) return nullptr;
  const std::size_t single = emitter.size();
  while (emitter.size() % 16) emitter.byte(0xCC);  // int3
  const std::size_t rowStart = emitter.size();
  const bool hasRow = Translator(emitter).translate(code, true);
  if (emitter.overflowed()) return nullptr;
  const NativeFunction f = install(hasRow ? emitter.size() : single);
  if (f && hasRow) *row = reinterpret_cast<NativeRowFunction>(reinterpret_cast<std::uint8_t*>(f) + rowStart);
  return f;
}

}  // namespace

void useExecutableMemory(ExecutableMemory* memory) {
  if (cache.arena) cache.memory->release(cache.arena, kArenaBytes);
  withdrawAll();
  std::memset(cache.entries, 0, sizeof(cache.entries));
  cache.arena = nullptr;
  cache.used = cache.keysUsed = 0;
  cache.lastSlot = 0;
  cache.stats = {};
  cache.withdrawn = false;
  cache.memory = memory;
}

void setNativeCode(bool on) { cache.on = on; }

bool nativeCodeAvailable() { return cache.memory && cache.on && !cache.withdrawn; }

void attachNativeCode(CompiledCode* code) {
  code->native = 0;
  if (!nativeCodeAvailable() || code->count > kMaxInstructions) return;
  // The key: the shape, then one byte per opcode.
  std::uint8_t key[kMaxInstructions + 1];
  const std::size_t length = code->count + 1;
  key[0] = static_cast<std::uint8_t>(code->shape);
  for (std::uint32_t i = 0; i < code->count; ++i) key[i + 1] = static_cast<std::uint8_t>(code->instructions()[i].opcode);
  if (cache.lastSlot != 0) {
    const Entry& e = cache.entries[cache.lastSlot - 1];
    if (e.keyLength == length && std::memcmp(cache.keys + e.keyOffset, key, length) == 0) {
      code->native = static_cast<std::uint16_t>(cache.lastSlot);
      return;
    }
  }
  const std::uint32_t hash = hashKey(key, length);
  std::uint32_t slot = hash & (kNativeSlots - 1);
  for (; cache.entries[slot].keyLength != 0; slot = (slot + 1) & (kNativeSlots - 1)) {
    const Entry& e = cache.entries[slot];
    if (e.hash == hash && e.keyLength == length && std::memcmp(cache.keys + e.keyOffset, key, length) == 0) {
      code->native = static_cast<std::uint16_t>(slot + 1);
      cache.lastSlot = slot + 1;
      return;
    }
  }
  if (cache.stats.shapes >= kMaxShapes || cache.keysUsed + length > kKeyPoolBytes) return;
  // A shape that cannot be translated keeps its entry with no function, so that
  // it is not tried again for every row.
  Entry& e = cache.entries[slot];
  e = {hash, static_cast<std::uint32_t>(cache.keysUsed), static_cast<std::uint32_t>(length)};
  std::memcpy(cache.keys + cache.keysUsed, key, length);
  cache.keysUsed += length;
  ++cache.stats.shapes;
  native_detail::functions[slot + 1] = translate(*code, &native_detail::rowFunctions[slot + 1]);
  code->native = static_cast<std::uint16_t>(slot + 1);
  cache.lastSlot = slot + 1;
}

NativeCacheStats nativeCacheStats() { return cache.stats; }

#else  // no native code for this processor

void useExecutableMemory(ExecutableMemory*) {}
void setNativeCode(bool) {}
bool nativeCodeAvailable() { return false; }
void attachNativeCode(CompiledCode* code) { code->native = 0; }
NativeCacheStats nativeCacheStats() { return {}; }

#endif

}  // namespace vx
