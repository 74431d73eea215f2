// Machine code that calls a function of a library loaded at run time. The code is started as a
// window procedure through CallWindowProcA: it drops the four window-procedure arguments, passes
// the caller's arguments to the target and hands the target's 32-bit result back.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvan {

// 32-bit x86 code. The target is called with the stdcall convention, or cdecl when the call
// type is 1. The writer works for any buffer address, so that the code can be written for the
// address at which it will run. The code needs no unwind information: 32-bit Windows finds
// exception handlers through the chain at fs:[0], which the code leaves alone.
class X86CallCode {
 public:
  // Prepares CodeBuffer for n arguments: 51 + 6n bytes, all 0.
  X86CallCode(std::vector<std::int32_t> arguments, std::int32_t call_type);

  // Size of CodeBuffer for n arguments.
  static std::size_t BufferSize(std::size_t argument_count) { return 51 + 6 * argument_count; }

  // Writes the code as it must lie at buffer_address, calling target. Returns the address at
  // which the code starts.
  std::uint32_t BuildCallCode(std::uint32_t buffer_address, std::uint32_t target);

  const std::vector<std::uint8_t>& CodeBuffer() const { return code_buffer_; }
  std::int32_t CodePosition() const { return code_position_; }

  // The smallest multiple of 16 above address (1 to 16 bytes further on).
  static std::uint32_t AlignedCodeStart(std::uint32_t address);

 private:
  void EmitEntrySequence();
  void EmitArgumentRemoval();
  void EmitCall(std::uint32_t target);
  void EmitLong(std::uint32_t value);
  void EmitByte(std::uint8_t value);

  std::vector<std::int32_t> argument_values_;  // index 0 unused, 1..n the arguments
  std::vector<std::uint8_t> code_buffer_;
  std::int32_t code_position_ = 0;
  std::int32_t call_type_;
  std::uint32_t buffer_address_ = 0;
};

// x86-64 code for the Windows x64 convention: arguments 1 to 4 in rcx, rdx, r8 and r9, 32 bytes
// of shadow space, further arguments on the stack, the stack 16-byte aligned at the call.
// Arguments are pointer-sized; the result is the low 32 bits of rax.
//
// The code carries what an exception needs to unwind through its frame: behind the code, at a
// multiple of 4, its unwind information (UNWIND_INFO: the prologue's stack allocation) and, as
// the last kFunctionEntrySize bytes, its function table entry (RUNTIME_FUNCTION: start and end
// of the code and the unwind information, as offsets from the first byte). The platform
// registers that entry while the code runs.
class X64CallCode {
 public:
  static constexpr std::size_t kFunctionEntrySize = 12;

  // The code for the arguments, to be placed at an address that is a multiple of 16; it starts
  // at the first byte.
  static std::vector<std::uint8_t> Build(std::span<const std::int64_t> arguments,
                                         std::uint64_t target);
};

}  // namespace orvan
