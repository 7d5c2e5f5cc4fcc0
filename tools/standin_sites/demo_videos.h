// The demo videos of the stand-in mirror site and the HTML of their pages,
// laid out exactly as the program's markers expect: UTF-8, meta tags ended by
// "\r\n", the two download blocks with 24 spaces between their spans.
//
//   av1917648  complete: every field, a JPEG cover
//   av2000001  no uploader tag and no MP4 block; a PNG cover
//   av2000002  every field, but with "\n" line ends only
//   av2000003  the ASS and XML links empty
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pindrel::standin {

enum class LineEnds { CrLf, LfOnly };

struct DemoVideo {
  std::string id;            // "av1917648"
  std::string title;         // UTF-8
  std::string uploader;      // UTF-8; empty: the page has no uploader tag
  std::string cover_file;    // "/cover/av1917648.jpg"
  bool has_mp4_block = true;
  bool empty_comment_links = false;
  LineEnds line_ends = LineEnds::CrLf;
};

const std::vector<DemoVideo>& demo_videos();
const DemoVideo* find_demo_video(const std::string& id);

// The mirror's page of `video`; `mirror_base` is "http://127.0.0.1:<port>",
// which the cover address and the ASS link carry. `filler_bytes` of comment
// list are placed between the meta tags and the download blocks, for pages of
// a chosen size.
std::string mirror_video_page(const DemoVideo& video, const std::string& mirror_base,
                              std::size_t filler_bytes = 0);

// The video site's own page of `video`, which links to the mirror.
std::string video_site_page(const DemoVideo& video, const std::string& mirror_base);

}  // namespace pindrel::standin
