// The generated call code, run in a CPU emulator the way CallWindowProcA runs a window procedure:
// the target must see the caller's arguments, its result must come back, and the stack must be
// left exactly as the convention demands.
#include <gtest/gtest.h>
#include <unicorn/unicorn.h>

#include <numeric>
#include <tuple>
#include <vector>

#include "jobapi/call_code.h"

namespace orvan {
namespace {

constexpr std::uint64_t kCodeBase = 0x200000;  // the call code's buffer
constexpr std::uint64_t kStubBase = 0x100000;  // the target function, below: the call goes back
constexpr std::uint64_t kRecord = 0x300000;    // what the target saw
constexpr std::uint64_t kStackTop = 0x500000;
constexpr std::uint64_t kHalt = 0x600000;  // return address into "CallWindowProcA"
constexpr std::uint32_t kResult = 0x5EED1234;

// An emulated machine with code, stub, record and stack pages.
class Machine {
 public:
  explicit Machine(uc_mode mode) {
    EXPECT_EQ(uc_open(UC_ARCH_X86, mode, &uc_), UC_ERR_OK);
    for (std::uint64_t base : {kCodeBase, kStubBase, kRecord, kStackTop - 0x10000, kHalt})
      EXPECT_EQ(uc_mem_map(uc_, base, 0x10000, UC_PROT_ALL), UC_ERR_OK);
  }
  ~Machine() { uc_close(uc_); }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  void Write(std::uint64_t address, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(uc_mem_write(uc_, address, bytes.data(), bytes.size()), UC_ERR_OK);
  }
  std::uint64_t Read(std::uint64_t address, int width) {
    std::uint64_t value = 0;
    uc_mem_read(uc_, address, &value, static_cast<std::size_t>(width));
    return value;
  }
  void Reg(int reg, std::uint64_t value) { uc_reg_write(uc_, reg, &value); }
  std::uint64_t Reg(int reg) {
    std::uint64_t value = 0;
    uc_reg_read(uc_, reg, &value);
    return value;
  }
  uc_err Run(std::uint64_t start) { return uc_emu_start(uc_, start, kHalt, 0, 100000); }

 private:
  uc_engine* uc_ = nullptr;
};

// Appends little-endian 32-bit words.
void Put32(std::vector<std::uint8_t>* v, std::initializer_list<std::uint64_t> words) {
  for (const std::uint64_t x : words)
    for (int i = 0; i < 4; ++i)
      v->push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

// A 32-bit target that copies its n arguments and its entry esp to kRecord, then returns
// kResult, removing its arguments itself (stdcall) or leaving them (cdecl).
std::vector<std::uint8_t> X86Stub(std::size_t n, bool stdcall) {
  std::vector<std::uint8_t> s = {0x89, 0x25};  // mov [kRecord], esp
  Put32(&s, {kRecord});
  for (std::size_t i = 1; i <= n; ++i) {
    s.insert(s.end(), {0x8B, 0x44, 0x24, static_cast<std::uint8_t>(4 * i)});  // mov eax,[esp+4i]
    s.push_back(0xA3);                                                        // mov [rec+4i],eax
    Put32(&s, {kRecord + 4 * i});
  }
  s.push_back(0xB8);  // mov eax, kResult
  Put32(&s, {kResult});
  if (stdcall)
    s.insert(s.end(), {0xC2, static_cast<std::uint8_t>(4 * n), 0x00});  // ret 4n
  else
    s.push_back(0xC3);
  return s;
}

// Argument count and call type (1: cdecl, else stdcall).
class X86CallCodeRun : public ::testing::TestWithParam<std::tuple<std::size_t, std::int32_t>> {};

TEST_P(X86CallCodeRun, TargetSeesItsArgumentsAndTheStackIsBalanced) {
  const auto [n, call_type] = GetParam();
  std::vector<std::int32_t> args(n);
  std::iota(args.begin(), args.end(), 0x1001);
  if (n > 0) args[0] = -1;  // negative values pass as their 32 bits

  Machine m(UC_MODE_32);
  X86CallCode code(args, call_type);
  const std::uint32_t buffer = kCodeBase + 3;
  const std::uint32_t start = code.BuildCallCode(buffer, kStubBase);
  EXPECT_EQ(start, kCodeBase + 16);  // the next multiple of 16
  m.Write(buffer, code.CodeBuffer());
  m.Write(kStubBase, X86Stub(n, call_type != 1));

  // CallWindowProcA's call: four arguments, then the return address.
  const std::uint32_t esp = kStackTop - 0x100;
  std::vector<std::uint8_t> frame;
  Put32(&frame, {kHalt, 0x11, 0x22, 0x33, 0x44});
  m.Write(esp, frame);
  m.Reg(UC_X86_REG_ESP, esp);

  ASSERT_EQ(m.Run(start), UC_ERR_OK);
  EXPECT_EQ(m.Reg(UC_X86_REG_EIP), kHalt);
  EXPECT_EQ(static_cast<std::uint32_t>(m.Reg(UC_X86_REG_EAX)), kResult);
  // A stdcall window procedure returns with its return address and four arguments gone.
  EXPECT_EQ(m.Reg(UC_X86_REG_ESP), esp + 20);
  // The target's entry esp: its return address and arguments lie directly below the return
  // address into CallWindowProcA, which the entry sequence moved up by four slots.
  EXPECT_EQ(m.Read(kRecord, 4), esp + 16 - 4 * n - 4);
  for (std::size_t i = 1; i <= n; ++i)
    EXPECT_EQ(static_cast<std::int32_t>(m.Read(kRecord + 4 * i, 4)), args[i - 1]) << "arg " << i;
}

INSTANTIATE_TEST_SUITE_P(ArgumentCountsAndConventions, X86CallCodeRun,
                         ::testing::Combine(::testing::Values(0u, 1u, 3u, 12u),
                                            ::testing::Values(0, 1)));

// A 64-bit target that records rcx, rdx, r8, r9, its stack arguments and its entry rsp.
std::vector<std::uint8_t> X64Stub(std::size_t n) {
  std::vector<std::uint8_t> s;
  const auto store = [&s](std::initializer_list<std::uint8_t> op, std::uint64_t at) {
    s.insert(s.end(), op);
    Put32(&s, {at});
  };
  store({0x48, 0x89, 0x24, 0x25}, kRecord);       // mov [rec], rsp
  store({0x48, 0x89, 0x0C, 0x25}, kRecord + 8);   // mov [rec+8], rcx
  store({0x48, 0x89, 0x14, 0x25}, kRecord + 16);  // mov [rec+16], rdx
  store({0x4C, 0x89, 0x04, 0x25}, kRecord + 24);  // mov [rec+24], r8
  store({0x4C, 0x89, 0x0C, 0x25}, kRecord + 32);  // mov [rec+32], r9
  for (std::size_t i = 5; i <= n; ++i) {
    store({0x48, 0x8B, 0x84, 0x24}, 8 * i);            // mov rax, [rsp + 8i]
    store({0x48, 0x89, 0x04, 0x25}, kRecord + 8 * i);  // mov [rec + 8i], rax
  }
  s.push_back(0xB8);  // mov eax, kResult
  Put32(&s, {kResult});
  s.push_back(0xC3);
  return s;
}

class X64CallCodeRun : public ::testing::TestWithParam<std::size_t> {};

TEST_P(X64CallCodeRun, ArgumentsReachRegistersAndStackWithTheStackAligned) {
  const std::size_t n = GetParam();
  std::vector<std::int64_t> args(n);
  std::iota(args.begin(), args.end(), 0x0123456789000000LL);
  if (n > 1) args[1] = -1;

  Machine m(UC_MODE_64);
  m.Write(kCodeBase, X64CallCode::Build(args, kStubBase));
  m.Write(kStubBase, X64Stub(n));
  const std::uint64_t rsp = kStackTop - 0x108;  // 8 below a multiple of 16, as at any entry
  std::vector<std::uint8_t> ret;
  Put32(&ret, {kHalt, 0});
  m.Write(rsp, ret);
  m.Reg(UC_X86_REG_RSP, rsp);
  for (int reg : {UC_X86_REG_RCX, UC_X86_REG_RDX, UC_X86_REG_R8, UC_X86_REG_R9})
    m.Reg(reg, 0x77);

  ASSERT_EQ(m.Run(kCodeBase), UC_ERR_OK);
  EXPECT_EQ(m.Reg(UC_X86_REG_RIP), kHalt);
  EXPECT_EQ(static_cast<std::uint32_t>(m.Reg(UC_X86_REG_RAX)), kResult);
  EXPECT_EQ(m.Reg(UC_X86_REG_RSP), rsp + 8);
  const std::uint64_t entry_rsp = m.Read(kRecord, 8);
  EXPECT_EQ(entry_rsp % 16, 8u) << "stack not 16-byte aligned at the call";
  EXPECT_GE(rsp - entry_rsp, 8u + 32u) << "no shadow space";
  for (std::size_t i = 1; i <= n; ++i)
    EXPECT_EQ(static_cast<std::int64_t>(m.Read(kRecord + 8 * i, 8)), args[i - 1]) << "arg " << i;
}

INSTANTIATE_TEST_SUITE_P(ArgumentCounts, X64CallCodeRun, ::testing::Values(0, 1, 4, 5, 6, 12));

}  // namespace
}  // namespace orvan
