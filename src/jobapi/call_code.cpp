#include "jobapi/call_code.h"

namespace orvan {
namespace {

constexpr std::uint8_t kPopEax = 0x58;
constexpr std::uint8_t kPopEcx = 0x59;
constexpr std::uint8_t kPushEax = 0x50;
constexpr std::uint8_t kPushImm32 = 0x68;
constexpr std::uint8_t kCallRel32 = 0xE8;
constexpr std::uint8_t kRet = 0xC3;
constexpr std::uint8_t kInt3 = 0xCC;

}  // namespace

X86CallCode::X86CallCode(std::vector<std::int32_t> arguments, std::int32_t call_type)
    : call_type_(call_type) {
  argument_values_.reserve(arguments.size() + 1);
  argument_values_.push_back(0);
  argument_values_.insert(argument_values_.end(), arguments.begin(), arguments.end());
  code_buffer_.assign(BufferSize(arguments.size()), 0);
}

std::uint32_t X86CallCode::AlignedCodeStart(std::uint32_t address) {
  return (address / 16 + 1) * 16;
}

std::uint32_t X86CallCode::BuildCallCode(std::uint32_t buffer_address, std::uint32_t target) {
  buffer_address_ = buffer_address;
  const std::uint32_t start = AlignedCodeStart(buffer_address);
  code_position_ = static_cast<std::int32_t>(start - buffer_address);
  for (std::int32_t i = 0; i < code_position_; ++i)
    code_buffer_[static_cast<std::size_t>(i)] = kInt3;
  EmitEntrySequence();
  for (std::size_t i = argument_values_.size() - 1; i >= 1; --i) {
    EmitByte(kPushImm32);
    EmitLong(static_cast<std::uint32_t>(argument_values_[i]));
  }
  EmitCall(target);
  EmitArgumentRemoval();
  EmitByte(kRet);
  EmitByte(kInt3);
  return start;
}

void X86CallCode::EmitEntrySequence() {
  // The return address into CallWindowProcA goes back on top once its four arguments are gone.
  EmitByte(kPopEax);
  for (int i = 0; i < 4; ++i)
    EmitByte(kPopEcx);
  EmitByte(kPushEax);
}

void X86CallCode::EmitArgumentRemoval() {
  if (call_type_ != 1) return;  // stdcall targets clean up themselves
  for (std::size_t i = 1; i < argument_values_.size(); ++i)
    EmitByte(kPopEcx);
}

void X86CallCode::EmitCall(std::uint32_t target) {
  EmitByte(kCallRel32);
  // Relative to the end of the instruction, wrapping modulo 2^32.
  const std::uint32_t next = buffer_address_ + static_cast<std::uint32_t>(code_position_) + 4;
  EmitLong(target - next);
}

void X86CallCode::EmitLong(std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    EmitByte(static_cast<std::uint8_t>(value >> (8 * i)));
}

void X86CallCode::EmitByte(std::uint8_t value) {
  code_buffer_[static_cast<std::size_t>(code_position_)] = value;
  ++code_position_;
}

std::vector<std::uint8_t> X64CallCode::Build(std::span<const std::int64_t> arguments,
                                             std::uint64_t target) {
  std::vector<std::uint8_t> code;
  const auto bytes = [&code](std::initializer_list<std::uint8_t> b) {
    code.insert(code.end(), b.begin(), b.end());
  };
  const auto imm = [&code](std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
      code.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };

  // At entry rsp is 8 below a multiple of 16 (the return address). The frame holds the shadow
  // space and the stack arguments, and is sized so that rsp is a multiple of 16 at the call.
  const std::size_t slots = arguments.size() > 4 ? arguments.size() : 4;
  std::uint32_t frame = static_cast<std::uint32_t>(8 * slots);
  if (frame % 16 == 0) frame += 8;

  bytes({0x48, 0x81, 0xEC});  // sub rsp, frame
  imm(frame, 4);
  const auto prologue_size = static_cast<std::uint8_t>(code.size());
  for (std::size_t i = 4; i < arguments.size(); ++i) {
    bytes({0x48, 0xB8});  // mov rax, imm64
    imm(static_cast<std::uint64_t>(arguments[i]), 8);
    bytes({0x48, 0x89, 0x84, 0x24});  // mov [rsp + 8*i], rax
    imm(8 * i, 4);
  }
  static constexpr std::uint8_t kRegisterMoves[4][2] = {
      {0x48, 0xB9}, {0x48, 0xBA}, {0x49, 0xB8}, {0x49, 0xB9}};  // rcx, rdx, r8, r9
  for (std::size_t i = 0; i < arguments.size() && i < 4; ++i) {
    bytes({kRegisterMoves[i][0], kRegisterMoves[i][1]});
    imm(static_cast<std::uint64_t>(arguments[i]), 8);
  }
  bytes({0x48, 0xB8});  // mov rax, target
  imm(target, 8);
  bytes({0xFF, 0xD0});        // call rax
  bytes({0x48, 0x81, 0xC4});  // add rsp, frame
  imm(frame, 4);
  bytes({kRet, kInt3});
  const auto code_end = static_cast<std::uint32_t>(code.size());

  // Unwind information: version 1, no handler, the prologue's size, two unwind code slots and no
  // frame register; UWOP_ALLOC_LARGE (1) with operation info 0 at the prologue's end, the
  // allocation in the next slot in units of 8 bytes.
  while (code.size() % 4 != 0)
    code.push_back(kInt3);
  const auto unwind_info = static_cast<std::uint32_t>(code.size());
  bytes({0x01, prologue_size, 0x02, 0x00, prologue_size, 0x01});
  imm(frame / 8, 2);
  // The function table entry: begin, end, unwind information.
  imm(0, 4);
  imm(code_end, 4);
  imm(unwind_info, 4);
  return code;
}

}  // namespace orvan
