// The media files of the stand-in mirror, all made here: cover pictures drawn
// with Qt and encoded as JPEG or PNG, a short MP3 of MPEG-1 Layer III frames
// holding a 440 Hz tone, a small MP4 container, and the two comment tracks
// (ASS, XML).
#pragma once

#include <string>

namespace pindrel::standin {

// Format "JPEG" or "PNG"; the picture differs with `id`. Empty when the
// image writer is missing.
std::string cover_picture(const std::string& id, const char* format);
// Three seconds of a 440 Hz tone: 1152-sample frames at 44.1 kHz,
// 128 kbit/s, mono, each 417 bytes long with the header FF FB 90 C0.
std::string tone_mp3();
// An ISO base media file: "ftyp" (isom), a "free" box and an empty "mdat".
std::string small_mp4();
std::string ass_comments(const std::string& title);
std::string xml_comments(const std::string& id);

}  // namespace pindrel::standin
