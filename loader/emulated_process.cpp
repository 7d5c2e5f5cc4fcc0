// The emulated 32-bit process behind ProcessPlatform.
#include "loader/emulated_process.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <utility>

#include "loader/byte_view.h"

namespace pindrel {

namespace {

constexpr uint64_t kAddressSpaceEnd = 0x100000000ull;
constexpr uint8_t kTrap = 0xCC;  // int3: anything not a thunk faults
constexpr uint32_t kInitialFlags = 0x00000202;  // IF set, direction flag clear
constexpr uint64_t kUnusedUntil = 0xFFFFFFF0;

// Every unicorn call reports failure through its result; each one here is
// checked through Ok, or a comment says why its result does not matter.
constexpr bool Ok(uc_err result) { return result == UC_ERR_OK; }

uint64_t PageAlignUp(uint64_t value) {
  return (value + EmulatedProcess::kPageSize - 1) & ~uint64_t{EmulatedProcess::kPageSize - 1};
}

uint64_t GranuleAlignUp(uint64_t value) {
  const uint64_t granule = EmulatedProcess::kAllocationGranularity;
  return (value + granule - 1) / granule * granule;
}

// Module names compare as the platform compares them: letter case does not
// count, and a name without an extension means ".DLL" ("kernel32" is
// "KERNEL32.DLL"; a trailing dot means no extension at all).
std::string ModuleKey(std::string_view name) {
  std::string key;
  key.reserve(name.size() + 4);
  for (char c : name) key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  if (!key.empty() && key.back() == '.') {
    key.pop_back();
  } else if (key.find('.') == std::string::npos) {
    key += ".DLL";
  }
  return key;
}

}  // namespace

std::unique_ptr<EmulatedProcess> EmulatedProcess::Create() {
  uc_engine* raw = nullptr;
  if (!Ok(uc_open(UC_ARCH_X86, UC_MODE_32, &raw))) return nullptr;
  auto process = std::make_unique<EmulatedProcess>(ConstructionKey{}, UnicornEngine(raw));
  uc_engine* uc = process->engine_.get();

  if (!process->MapFixed(kStackBase, kStackSize, UC_PROT_READ | UC_PROT_WRITE)) return nullptr;
  if (!process->MapFixed(kThunkBase, kThunkAreaSize, UC_PROT_READ | UC_PROT_EXEC)) return nullptr;
  if (!process->MapFixed(kStopPage, kPageSize, UC_PROT_READ | UC_PROT_EXEC)) return nullptr;
  const std::vector<uint8_t> traps(kThunkAreaSize, kTrap);
  if (!Ok(uc_mem_write(uc, kThunkBase, traps.data(), kThunkAreaSize))) return nullptr;
  if (!Ok(uc_mem_write(uc, kStopPage, traps.data(), kPageSize))) return nullptr;

  // The one hook: the thunk range and, right behind it, the stop address.
  // Guest code elsewhere is never hooked.
  static_assert(kStopAddress == kThunkBase + kThunkAreaSize);
  if (!Ok(uc_hook_add(uc, &process->thunk_hook_, UC_HOOK_CODE,
                      reinterpret_cast<void*>(&EmulatedProcess::OnThunk), process.get(),
                      uint64_t{kThunkBase}, uint64_t{kStopAddress})))
    return nullptr;

  const uint32_t esp = kIdleStackPointer;
  if (!Ok(uc_reg_write(uc, UC_X86_REG_ESP, &esp))) return nullptr;

  // The context every call starts from: unicorn's flat 32-bit protected mode
  // without paging, and the idle stack pointer.
  uc_context* context = nullptr;
  if (!Ok(uc_context_alloc(uc, &context))) return nullptr;
  process->initial_context_.reset(context);
  if (!Ok(uc_context_save(uc, context))) return nullptr;
  if (!Ok(uc_reg_read(uc, UC_X86_REG_CR0, &process->initial_cr0_))) return nullptr;

  // uc_emu_stop only raises a request flag; it cannot fail.
  process->watchdog_ = std::make_unique<CallWatchdog>([uc] { uc_emu_stop(uc); });
  return process;
}

EmulatedProcess::EmulatedProcess(ConstructionKey, UnicornEngine engine) : engine_(std::move(engine)) {}

EmulatedProcess::~EmulatedProcess() {
  watchdog_.reset();  // no stop may reach the engine while it closes
}

bool EmulatedProcess::MapFixed(uint32_t address, uint32_t size, uint32_t protection) {
  if (!Ok(uc_mem_map(engine_.get(), address, size, protection))) return false;
  regions_[address] = Region{size, false};
  return true;
}

bool EmulatedProcess::IsFree(uint64_t address, uint64_t size) const {
  if (address < kLowestAddress || size == 0 || address + size > kAddressSpaceEnd) return false;
  // The first region starting at or after address, and the one before it.
  auto after = regions_.lower_bound(static_cast<uint32_t>(address));
  if (after != regions_.end() && after->first < address + size) return false;
  if (after != regions_.begin()) {
    const auto before = std::prev(after);
    if (before->first + before->second.size > address) return false;
  }
  return true;
}

bool EmulatedProcess::IsReserved(uint32_t address) const {
  auto it = regions_.upper_bound(address);
  if (it == regions_.begin()) return false;
  --it;
  return it->second.image && address < it->first + it->second.size;
}

uint32_t EmulatedProcess::AllocateImage(uint32_t address, uint32_t size) {
  if (size == 0 || size > reservation_limit_) return 0;
  uint64_t base = 0;
  uint64_t length = 0;
  if (address != 0) {
    // VirtualAlloc rounds a reservation address down to the allocation
    // granularity; the reservation still covers [address, address + size).
    base = address & ~uint64_t{kAllocationGranularity - 1};
    length = PageAlignUp(uint64_t{address} + size) - base;
    if (!IsFree(base, length)) return 0;
  } else {
    // The lowest free range, at the allocation granularity.
    length = PageAlignUp(size);
    uint64_t candidate = kLowestAddress;
    for (const auto& [start, region] : regions_) {
      if (candidate + length <= start) break;
      candidate = std::max(candidate, GranuleAlignUp(uint64_t{start} + region.size));
    }
    if (candidate + length > kAddressSpaceEnd) return 0;
    base = candidate;
  }
  uc_engine* uc = engine_.get();
  if (!Ok(uc_mem_map(uc, base, static_cast<size_t>(length), UC_PROT_ALL))) return 0;
  // Code translated from an earlier mapping of these addresses must not run.
  if (!Ok(uc_ctl_remove_cache(uc, base, base + length))) {
    // Unmapping what was just mapped cannot fail.
    uc_mem_unmap(uc, base, static_cast<size_t>(length));
    return 0;
  }
  regions_[static_cast<uint32_t>(base)] = Region{length, true};
  return static_cast<uint32_t>(base);
}

void EmulatedProcess::FreeImage(uint32_t address) {
  const auto it = regions_.find(address);
  if (it == regions_.end() || !it->second.image) return;
  uc_engine* uc = engine_.get();
  // Unmapped, the range is no longer reachable; a later reservation of
  // these addresses removes their translations before it is used.
  if (!Ok(uc_mem_unmap(uc, address, static_cast<size_t>(it->second.size)))) return;
  regions_.erase(it);
}

uint32_t EmulatedProcess::RegisterHostModule(HostModule module) {
  const std::string key = ModuleKey(module.name);
  if (ModuleByName(key) != nullptr) return 0;
  // A handle slot, then one thunk per procedure.
  const uint64_t needed = kThunkSize * (1 + uint64_t{module.procedures.size()});
  if (next_thunk_ + needed > uint64_t{kThunkBase} + kThunkAreaSize) return 0;
  for (const auto& procedure : module.procedures)
    if (procedure.argument_count < 0 || procedure.argument_count > kMaxHostArguments) return 0;

  auto entry = std::make_unique<RegisteredModule>();
  entry->key = key;
  entry->loaded = module.loaded_at_start;
  entry->module = std::move(module);
  uint32_t next = next_thunk_;
  entry->handle = next;
  next += kThunkSize;

  // Write every thunk first; only then does the module become reachable.
  uc_engine* uc = engine_.get();
  for (const auto& procedure : entry->module.procedures) {
    // ret imm16 pops the stdcall arguments; a cdecl thunk leaves them.
    std::array<uint8_t, kThunkSize> code{0xC3, kTrap, kTrap, kTrap};
    if (procedure.convention == CallingConvention::Stdcall && procedure.argument_count > 0) {
      const auto pop = static_cast<uint16_t>(4 * procedure.argument_count);
      code = {0xC2, static_cast<uint8_t>(pop), static_cast<uint8_t>(pop >> 8), kTrap};
    }
    if (!Ok(uc_mem_write(uc, next, code.data(), code.size()))) return 0;
    entry->thunks.push_back(next);
    next += kThunkSize;
  }
  // A guest may have run the trap bytes these thunks replace.
  if (!Ok(uc_ctl_remove_cache(uc, next_thunk_, next))) return 0;
  next_thunk_ = next;
  for (std::size_t i = 0; i < entry->thunks.size(); ++i)
    thunks_[entry->thunks[i]] = Thunk{&entry->module.procedures[i]};
  const uint32_t handle = entry->handle;
  modules_.push_back(std::move(entry));
  return handle;
}

EmulatedProcess::RegisteredModule* EmulatedProcess::ModuleByName(std::string_view name) {
  const std::string key = ModuleKey(name);
  for (auto& registered : modules_)
    if (registered->key == key) return registered.get();
  return nullptr;
}

EmulatedProcess::RegisteredModule* EmulatedProcess::ModuleByHandle(uint32_t handle) {
  for (auto& registered : modules_)
    if (registered->handle == handle) return registered.get();
  return nullptr;
}

uint32_t EmulatedProcess::FindModule(std::string_view name) {
  RegisteredModule* registered = ModuleByName(name);
  return (registered != nullptr && registered->loaded) ? registered->handle : 0;
}

uint32_t EmulatedProcess::LoadModule(std::string_view name) {
  RegisteredModule* registered = ModuleByName(name);
  if (registered == nullptr) return 0;
  registered->loaded = true;
  return registered->handle;
}

uint32_t EmulatedProcess::FindProcedure(uint32_t module, std::string_view name) {
  RegisteredModule* registered = ModuleByHandle(module);
  if (registered == nullptr || !registered->loaded || name.empty()) return 0;
  // GetProcAddress compares procedure names exactly.
  for (std::size_t i = 0; i < registered->module.procedures.size(); ++i)
    if (registered->module.procedures[i].name == name) return registered->thunks[i];
  return 0;
}

uint32_t EmulatedProcess::FindProcedureByOrdinal(uint32_t module, uint16_t ordinal) {
  RegisteredModule* registered = ModuleByHandle(module);
  if (registered == nullptr || !registered->loaded || ordinal == 0) return 0;
  for (std::size_t i = 0; i < registered->module.procedures.size(); ++i)
    if (registered->module.procedures[i].ordinal == ordinal) return registered->thunks[i];
  return 0;
}

bool EmulatedProcess::CopyToProcess(uint32_t address, std::span<const uint8_t> bytes) {
  if (bytes.empty()) return true;
  const uint64_t end = uint64_t{address} + bytes.size();
  // Host writes ignore page protection; the thunks and the stop page are
  // never written after set-up.
  if (address < uint64_t{kStopPage} + kPageSize && end > kThunkBase) return false;
  // Nor is host memory mapped read-only: it may be the program's constant data.
  for (const auto& [start, stop] : host_read_only_)
    if (address < stop && end > start) return false;
  uc_engine* uc = engine_.get();
  if (!Ok(uc_mem_write(uc, address, bytes.data(), bytes.size()))) return false;
  return Ok(uc_ctl_remove_cache(uc, address, end));
}

bool EmulatedProcess::CopyFromProcess(uint32_t address, std::span<uint8_t> bytes) {
  if (bytes.empty()) return true;
  return Ok(uc_mem_read(engine_.get(), address, bytes.data(), bytes.size()));
}

std::optional<std::string> EmulatedProcess::ReadString(uint32_t address,
                                                       std::size_t max_length) const {
  std::string out;
  uint64_t at = address;
  while (out.size() <= max_length) {
    // Up to the end of the page, so an unmapped next page is reached only
    // when the string runs into it.
    const uint64_t room = kPageSize - (at % kPageSize);
    std::vector<uint8_t> piece(static_cast<std::size_t>(room));
    if (at + room > kAddressSpaceEnd ||
        !Ok(uc_mem_read(engine_.get(), at, piece.data(), piece.size())))
      return std::nullopt;
    const auto zero = std::find(piece.begin(), piece.end(), uint8_t{0});
    out.append(piece.begin(), zero);
    if (zero != piece.end()) {
      if (out.size() > max_length) return std::nullopt;
      return out;
    }
    at += room;
  }
  return std::nullopt;
}

uint32_t EmulatedProcess::StackPointer() const {
  uint32_t esp = 0;
  if (!Ok(uc_reg_read(engine_.get(), UC_X86_REG_ESP, &esp))) return 0;
  return esp;
}

bool EmulatedProcess::RestoreInitialContext() {
  uc_engine* uc = engine_.get();
  // Writing CR0 through the register interface flushes the TLB when the
  // paging mode changes, so no translation made while a call had paging on
  // outlives it; the context copy alone would keep them.
  uint32_t cr0 = 0;
  if (!Ok(uc_reg_read(uc, UC_X86_REG_CR0, &cr0))) return false;
  if (cr0 != initial_cr0_ && !Ok(uc_reg_write(uc, UC_X86_REG_CR0, &initial_cr0_))) return false;
  return Ok(uc_context_restore(uc, initial_context_.get()));
}

uint32_t EmulatedProcess::CallAddress(uint32_t target, const CallArguments& arguments) {
  // A host procedure runs inside a guest call; unicorn cannot start a second
  // emulation from there.
  if (in_call_) {
    last_outcome_ = CallOutcome::Refused;
    return 0;
  }
  last_outcome_ = CallOutcome::Faulted;  // until the callee is seen to return
  uc_engine* uc = engine_.get();
  // Segments, control registers and flags as at creation; the stack pointer
  // is the idle one, and the call's frame goes below it.
  if (!RestoreInitialContext()) return 0;

  // stdcall frame: the return address, then a1 (nearest) to a10.
  std::array<uint32_t, 11> frame{};
  frame[0] = kStopAddress;
  std::copy(arguments.begin(), arguments.end(), frame.begin() + 1);
  std::array<uint8_t, sizeof frame> frame_bytes{};
  for (std::size_t i = 0; i < frame.size(); ++i) StoreLe32(frame_bytes.data() + 4 * i, frame[i]);
  const uint32_t esp = kIdleStackPointer - static_cast<uint32_t>(frame_bytes.size());
  const uint32_t zero = 0;
  const uint32_t flags = kInitialFlags;
  if (!Ok(uc_mem_write(uc, esp, frame_bytes.data(), frame_bytes.size())) ||
      !Ok(uc_reg_write(uc, UC_X86_REG_ESP, &esp)) || !Ok(uc_reg_write(uc, UC_X86_REG_EAX, &zero)) ||
      !Ok(uc_reg_write(uc, UC_X86_REG_EFLAGS, &flags)))
    return 0;

  in_call_ = true;
  watchdog_->Arm(time_limit_);
  // The return to kStopAddress is caught by the hook, not by uc_emu_start's
  // "until" address: with "until" at or near the code that ends a call,
  // unicorn 2.0.1 keeps a few hundred bytes for good per call, which adds up
  // over many calls. The "until" given lies far from every fixed region.
  const uc_err err = uc_emu_start(uc, target, kUnusedUntil, 0, 0);
  const bool timed_out = watchdog_->Disarm();
  in_call_ = false;

  uint32_t eip = 0;
  uint32_t eax = 0;
  const bool read = Ok(uc_reg_read(uc, UC_X86_REG_EIP, &eip)) && Ok(uc_reg_read(uc, UC_X86_REG_EAX, &eax));
  // Whatever the callee popped (stdcall) or left (cdecl), or where a fault
  // left the stack, the caller sees the idle stack pointer again; the rest
  // of the context is restored when the next call begins.
  const uint32_t idle = kIdleStackPointer;
  const bool restored = Ok(uc_reg_write(uc, UC_X86_REG_ESP, &idle));

  if (Ok(err) && read && restored && eip == kStopAddress) {
    last_outcome_ = CallOutcome::Returned;
    return eax;
  }
  last_outcome_ = timed_out ? CallOutcome::TimedOut : CallOutcome::Faulted;
  return 0;
}

void EmulatedProcess::OnThunk(uc_engine* /*uc*/, uint64_t address, uint32_t /*size*/,
                              void* user_data) {
  static_cast<EmulatedProcess*>(user_data)->RunThunk(address);
}

// uc_emu_stop only raises a request flag and cannot fail; each stop below
// ends the call, as a return when EIP is the stop address, else as a fault.
void EmulatedProcess::RunThunk(uint64_t address) {
  uc_engine* uc = engine_.get();
  if (address == kStopAddress) {
    uc_emu_stop(uc);  // the callee returned; EIP stays at the stop address
    return;
  }
  const auto it = thunks_.find(static_cast<uint32_t>(address));
  if (it == thunks_.end()) return;  // a trap byte: the int3 faults the call
  const HostProcedure& procedure = *it->second.procedure;

  uint32_t esp = 0;
  std::array<uint32_t, kMaxHostArguments> words{};
  std::array<uint8_t, 4 * kMaxHostArguments> raw{};
  const auto count = static_cast<std::size_t>(procedure.argument_count);
  if (!Ok(uc_reg_read(uc, UC_X86_REG_ESP, &esp)) ||
      (count > 0 && !Ok(uc_mem_read(uc, uint64_t{esp} + 4, raw.data(), 4 * count)))) {
    uc_emu_stop(uc);  // the arguments lie outside the stack: fault the call
    return;
  }
  for (std::size_t i = 0; i < count; ++i) words[i] = LoadLe32(raw.data() + 4 * i);

  HostCall call(*this, std::span<const uint32_t>(words.data(), count));
  uint32_t result = 0;
  try {
    if (procedure.body) result = procedure.body(call);
  } catch (...) {
    // An exception must not unwind through the emulator's C frames; the
    // guest call ends as a fault instead.
    uc_emu_stop(uc);
    return;
  }
  if (!Ok(uc_reg_write(uc, UC_X86_REG_EAX, &result))) uc_emu_stop(uc);
}

bool EmulatedProcess::MapHostReadOnly(uint32_t address, const void* host, uint32_t size) {
  const auto host_address = reinterpret_cast<std::uintptr_t>(host);
  if (host == nullptr || size == 0 || address % kPageSize != 0 || size % kPageSize != 0 ||
      host_address % kPageSize != 0 || !IsFree(address, size))
    return false;
  // unicorn takes a non-const pointer; with UC_PROT_READ the guest cannot
  // write through it, and CopyToProcess refuses the range.
  void* backing = const_cast<void*>(host);
  if (uc_mem_map_ptr(engine_.get(), address, size, UC_PROT_READ, backing) != UC_ERR_OK) return false;
  regions_[address] = Region{size, false};
  host_read_only_.emplace_back(address, uint64_t{address} + size);
  return true;
}

}  // namespace pindrel
