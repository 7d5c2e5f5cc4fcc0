/* The ".SHE" skin layout (SKIN_FORMAT.md), shared by the skin engine (C,
 * freestanding), the skin generator and the tests. Plain macros only, so the
 * engine needs no headers of a C library.
 *
 * Every number is little-endian. A skin is one block of bytes:
 *   [0, 32)            header
 *   name               zero-terminated ASCII, at most 63 bytes before the zero
 *   colour table       count entries of {u32 COLOR_* index, u32 COLORREF}
 *   frame block        u32 style, u32 corner radius, u32 frame width,
 *                      u32 frame COLORREF
 * in any order behind the header; every offset points inside the block. */
#ifndef PINDREL_SKIN_FORMAT_H
#define PINDREL_SKIN_FORMAT_H

/* Header fields: byte offsets from the start of the skin. */
#define SHE_MAGIC_OFFSET 0        /* 4 bytes ".SHE" */
#define SHE_VERSION_OFFSET 4      /* u16 */
#define SHE_HEADER_SIZE_OFFSET 6  /* u16, always SHE_HEADER_SIZE */
#define SHE_CHECKSUM_OFFSET 8     /* u32 CRC-32 of every byte but these four */
#define SHE_LENGTH_OFFSET 12      /* u32 length of the whole skin */
#define SHE_NAME_OFFSET 16        /* u32 offset of the name */
#define SHE_COLOURS_OFFSET 20     /* u32 offset of the colour table */
#define SHE_COLOUR_COUNT_OFFSET 24 /* u32 number of colour entries */
#define SHE_FRAME_OFFSET 28       /* u32 offset of the frame block */

#define SHE_MAGIC_0 0x2E /* '.' */
#define SHE_MAGIC_1 0x53 /* 'S' */
#define SHE_MAGIC_2 0x48 /* 'H' */
#define SHE_MAGIC_3 0x45 /* 'E' */
#define SHE_VERSION 1
#define SHE_HEADER_SIZE 32
#define SHE_MAX_LENGTH 65536

#define SHE_MAX_NAME 63
#define SHE_COLOUR_ENTRY_SIZE 8
#define SHE_MAX_COLOURS 31     /* one per COLOR_* index at most */
#define SHE_MAX_SYS_COLOR 30   /* COLOR_MENUBAR, the highest COLOR_* index */
#define SHE_FRAME_SIZE 16

/* The COLOR_* indices (WinUser.h values) the stored skins carry. */
#define SHE_COLOR_WINDOW 5
#define SHE_COLOR_WINDOWTEXT 8
#define SHE_COLOR_HIGHLIGHT 13
#define SHE_COLOR_HIGHLIGHTTEXT 14
#define SHE_COLOR_BTNFACE 15 /* also COLOR_3DFACE */
#define SHE_COLOR_BTNSHADOW 16
#define SHE_COLOR_GRAYTEXT 17
#define SHE_COLOR_BTNTEXT 18
#define SHE_COLOR_BTNHIGHLIGHT 20
#define SHE_COLOR_3DDKSHADOW 21
#define SHE_COLOR_3DLIGHT 22
#define SHE_COLOR_INFOTEXT 23
#define SHE_COLOR_INFOBK 24
#define SHE_COLOR_HOTLIGHT 26

/* Button frame styles of the frame block. */
#define SHE_FRAME_FLAT 0      /* a plain line */
#define SHE_FRAME_OUTSET 1    /* raised bevel */
#define SHE_FRAME_RIDGE 2     /* a ridge around the face */
#define SHE_FRAME_GRADIENT 3  /* a plain line round a shaded face */
#define SHE_FRAME_UNDERLINE 4 /* a line under the face only */
#define SHE_FRAME_STYLE_COUNT 5
#define SHE_MAX_CORNER_RADIUS 12
#define SHE_MIN_FRAME_WIDTH 1
#define SHE_MAX_FRAME_WIDTH 4

/* Why the engine refused its last skin (SkinH_LastError); 0 after a skin
 * that was accepted. */
#define SHE_OK 0
#define SHE_ERR_NOT_READY 1     /* the entry routine has not run */
#define SHE_ERR_NO_BLOB 2       /* address 0 */
#define SHE_ERR_TOO_SHORT 3     /* shorter than the header */
#define SHE_ERR_TOO_LONG 4      /* longer than SHE_MAX_LENGTH */
#define SHE_ERR_MAGIC 5
#define SHE_ERR_VERSION 6
#define SHE_ERR_HEADER_SIZE 7
#define SHE_ERR_LENGTH 8        /* the length given is not the length stored */
#define SHE_ERR_CHECKSUM 9
#define SHE_ERR_NAME 10         /* outside the skin, unterminated or too long */
#define SHE_ERR_COLOUR_COUNT 11 /* 0 or above SHE_MAX_COLOURS */
#define SHE_ERR_COLOUR_TABLE 12 /* outside the skin */
#define SHE_ERR_COLOUR_VALUE 13 /* an index above SHE_MAX_SYS_COLOR or a COLORREF above 0xFFFFFF */
#define SHE_ERR_FRAME 14        /* outside the skin */
#define SHE_ERR_FRAME_VALUE 15  /* a style, radius or width out of range, or a bad COLORREF */
#define SHE_ERR_HOST 16         /* the host refused a value while the skin was applied */

#endif
