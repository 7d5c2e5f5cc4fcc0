/* The skin engine: a freestanding 32-bit DLL (no C run-time) that reads a
 * ".SHE" skin (skin_format.h, SKIN_FORMAT.md) from its caller's memory, checks
 * all of it, and hands the look it describes to the host through the
 * procedures it imports:
 *
 *   SetSysColors (USER32.dll)        the COLOR_* colours, as Win32 takes them
 *   PindrelSkin_Begin                which skin is being applied
 *   PindrelSkin_SetButtonFrame       the button frame: style, radius, width, colour
 *   PindrelSkin_End                  apply (1) or drop (0) what was handed on
 *
 *   SkinH_AttachRes(skin, length)    1 when the skin was applied, else 0
 *
 * A skin that fails any check is refused before the first import call, so a
 * malformed skin changes nothing. The engine never calls back into its caller
 * and keeps its state in .bss, which the entry routine fills. */
#include "skin_format.h"

typedef unsigned char u8;
typedef unsigned int u32;

__declspec(dllimport) int __stdcall SetSysColors(int cElements, const int* lpaElements,
                                                 const u32* lpaRgbValues);
__declspec(dllimport) int __stdcall PindrelSkin_Begin(const u8* skin, u32 length, u32 checksum,
                                                      const char* name);
__declspec(dllimport) int __stdcall PindrelSkin_SetButtonFrame(u32 style, u32 radius, u32 width,
                                                               u32 colour);
__declspec(dllimport) int __stdcall PindrelSkin_End(int apply);

#define ENGINE_READY 0x31454853u /* "SHE1" */
#define CRC32_POLYNOMIAL 0xEDB88320u

/* Everything the engine keeps between calls; zero until the entry routine
 * runs. The colour arrays are what SetSysColors receives. */
static struct {
  u32 ready;
  u32 last_error;
  u32 crc_table[256];
  int colour_indices[SHE_MAX_COLOURS];
  u32 colour_values[SHE_MAX_COLOURS];
} engine;

/* What the checks found, for the apply step. */
struct checked_skin {
  u32 checksum;
  u32 name;
  u32 colours;
  u32 colour_count;
  u32 frame;
};

static u32 read16(const u8* p) { return (u32)p[0] | ((u32)p[1] << 8); }

static u32 read32(const u8* p) {
  return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}

static void fill_crc_table(void) {
  for (u32 n = 0; n < 256; ++n) {
    u32 c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ CRC32_POLYNOMIAL : c >> 1;
    engine.crc_table[n] = c;
  }
}

static u32 crc32_update(u32 crc, const u8* p, u32 n) {
  for (u32 i = 0; i < n; ++i) crc = engine.crc_table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

/* CRC-32 of the skin without its checksum field. */
static u32 skin_checksum(const u8* skin, u32 length) {
  u32 crc = 0xFFFFFFFFu;
  crc = crc32_update(crc, skin, SHE_CHECKSUM_OFFSET);
  crc = crc32_update(crc, skin + SHE_CHECKSUM_OFFSET + 4, length - (SHE_CHECKSUM_OFFSET + 4));
  return crc ^ 0xFFFFFFFFu;
}

/* [offset, offset + size) lies behind the header and inside the skin; no sum
 * is formed that could wrap. */
static int inside(u32 offset, u32 size, u32 length) {
  return offset >= SHE_HEADER_SIZE && offset <= length && size <= length - offset;
}

static int colourref_ok(u32 c) { return c <= 0x00FFFFFFu; }

/* Every check of a skin; SHE_OK or the reason for refusing it. */
static u32 check_skin(const u8* skin, u32 length, struct checked_skin* out) {
  if (engine.ready != ENGINE_READY) return SHE_ERR_NOT_READY;
  if (skin == 0) return SHE_ERR_NO_BLOB;
  if (length < SHE_HEADER_SIZE) return SHE_ERR_TOO_SHORT;
  if (length > SHE_MAX_LENGTH) return SHE_ERR_TOO_LONG;
  if (skin[0] != SHE_MAGIC_0 || skin[1] != SHE_MAGIC_1 || skin[2] != SHE_MAGIC_2 ||
      skin[3] != SHE_MAGIC_3)
    return SHE_ERR_MAGIC;
  if (read16(skin + SHE_VERSION_OFFSET) != SHE_VERSION) return SHE_ERR_VERSION;
  if (read16(skin + SHE_HEADER_SIZE_OFFSET) != SHE_HEADER_SIZE) return SHE_ERR_HEADER_SIZE;
  if (read32(skin + SHE_LENGTH_OFFSET) != length) return SHE_ERR_LENGTH;
  out->checksum = skin_checksum(skin, length);
  if (read32(skin + SHE_CHECKSUM_OFFSET) != out->checksum) return SHE_ERR_CHECKSUM;

  /* The name: its zero byte inside the skin, at most SHE_MAX_NAME before it. */
  out->name = read32(skin + SHE_NAME_OFFSET);
  if (!inside(out->name, 1, length)) return SHE_ERR_NAME;
  u32 n = 0;
  while (out->name + n < length && skin[out->name + n] != 0) {
    if (++n > SHE_MAX_NAME) return SHE_ERR_NAME;
  }
  if (out->name + n >= length) return SHE_ERR_NAME;

  out->colour_count = read32(skin + SHE_COLOUR_COUNT_OFFSET);
  if (out->colour_count == 0 || out->colour_count > SHE_MAX_COLOURS) return SHE_ERR_COLOUR_COUNT;
  out->colours = read32(skin + SHE_COLOURS_OFFSET);
  if (!inside(out->colours, out->colour_count * SHE_COLOUR_ENTRY_SIZE, length))
    return SHE_ERR_COLOUR_TABLE;
  for (u32 i = 0; i < out->colour_count; ++i) {
    const u8* entry = skin + out->colours + i * SHE_COLOUR_ENTRY_SIZE;
    if (read32(entry) > SHE_MAX_SYS_COLOR || !colourref_ok(read32(entry + 4)))
      return SHE_ERR_COLOUR_VALUE;
  }

  out->frame = read32(skin + SHE_FRAME_OFFSET);
  if (!inside(out->frame, SHE_FRAME_SIZE, length)) return SHE_ERR_FRAME;
  const u8* frame = skin + out->frame;
  if (read32(frame) >= SHE_FRAME_STYLE_COUNT || read32(frame + 4) > SHE_MAX_CORNER_RADIUS ||
      read32(frame + 8) < SHE_MIN_FRAME_WIDTH || read32(frame + 8) > SHE_MAX_FRAME_WIDTH ||
      !colourref_ok(read32(frame + 12)))
    return SHE_ERR_FRAME_VALUE;
  return SHE_OK;
}

/* Hands a checked skin to the host; SHE_OK when the host took all of it. */
static u32 apply_skin(const u8* skin, u32 length, const struct checked_skin* c) {
  for (u32 i = 0; i < c->colour_count; ++i) {
    const u8* entry = skin + c->colours + i * SHE_COLOUR_ENTRY_SIZE;
    engine.colour_indices[i] = (int)read32(entry);
    engine.colour_values[i] = read32(entry + 4);
  }
  const u8* frame = skin + c->frame;
  if (!PindrelSkin_Begin(skin, length, c->checksum, (const char*)skin + c->name))
    return SHE_ERR_HOST;
  if (!SetSysColors((int)c->colour_count, engine.colour_indices, engine.colour_values) ||
      !PindrelSkin_SetButtonFrame(read32(frame), read32(frame + 4), read32(frame + 8),
                                  read32(frame + 12))) {
    PindrelSkin_End(0);
    return SHE_ERR_HOST;
  }
  return PindrelSkin_End(1) ? SHE_OK : SHE_ERR_HOST;
}

u32 __stdcall SkinH_AttachRes(const u8* skin, u32 length) {
  struct checked_skin c;
  engine.last_error = check_skin(skin, length, &c);
  if (engine.last_error == SHE_OK) engine.last_error = apply_skin(skin, length, &c);
  return engine.last_error == SHE_OK ? 1 : 0;
}

/* The checks of SkinH_AttachRes alone: no import is called. */
u32 __stdcall SkinH_Validate(const u8* skin, u32 length) {
  struct checked_skin c;
  engine.last_error = check_skin(skin, length, &c);
  return engine.last_error == SHE_OK ? 1 : 0;
}

u32 __stdcall SkinH_LastError(void) { return engine.last_error; }

int __stdcall DllMain(void* instance, u32 reason, void* reserved) {
  (void)instance;
  (void)reserved;
  if (reason == 1) { /* DLL_PROCESS_ATTACH */
    fill_crc_table();
    engine.last_error = SHE_OK;
    engine.ready = ENGINE_READY;
  } else if (reason == 0) { /* DLL_PROCESS_DETACH */
    engine.ready = 0;
  }
  return 1;
}
