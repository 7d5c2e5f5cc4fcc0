#include "tools/standin_sites/demo_media.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <cstdint>

namespace pindrel::standin {

std::string cover_picture(const std::string& id, const char* format) {
  std::uint32_t h = 2166136261u;  // FNV-1a of the id picks the colours
  for (unsigned char c : id) h = (h ^ c) * 16777619u;
  const QColor a = QColor::fromHsv(static_cast<int>(h % 360), 150, 235);
  const QColor b = QColor::fromHsv(static_cast<int>((h / 360) % 360), 200, 120);

  QImage image(320, 200, QImage::Format_RGB32);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(110, 80), 260);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    p.fillRect(image.rect(), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    QPolygonF play;
    play << QPointF(135, 65) << QPointF(195, 100) << QPointF(135, 135);
    p.drawPolygon(play);
    p.setBrush(QColor(255, 255, 255, 90));
    for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(30 + 65 * i, 175), 12, 12);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, 85)) return {};
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

namespace {

// Writes bits most significant first, as MPEG audio lays them out.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ == 0) out_ += '\0';
      if ((value >> i) & 1u) out_.back() = static_cast<char>(out_.back() | (0x80 >> used_));
      used_ = (used_ + 1) % 8;
    }
  }

 private:
  std::string& out_;
  int used_ = 0;
};

}  // namespace

std::string tone_mp3() {
  // Every frame: header FF FB 90 C0 (MPEG-1 Layer III, no CRC, 128 kbit/s,
  // 44.1 kHz, no padding, mono, not original), 17 bytes of side information
  // and 396 bytes of main data; 144 * 128000 / 44100 = 417 bytes a frame.
  // Nothing is borrowed from the bit reservoir (main_data_begin 0), so each
  // frame decodes on its own.
  //
  // Each granule (576 lines, long blocks) holds one non-zero spectral line:
  // line 11 of subband 0, whose centre is 11.5 / 1152 * 44100 = 440 Hz. From
  // one granule to the next a steady 440 Hz sine advances its phase by
  // 11.5 pi, so its coefficient follows + + - - ; the decoder's overlap-add
  // then gives a tone at 440 Hz. Global gain 203 puts the line at
  // 2^((203 - 210) / 4) = 0.30 of full scale.
  constexpr std::size_t kFrame = 417;
  constexpr int kFrames = 115;  // 115 * 1152 / 44100 = 3.0 s
  constexpr int kGlobalGain = 203;
  std::string out;
  out.reserve(kFrame * kFrames);
  for (int f = 0; f < kFrames; ++f) {
    std::string frame("\xFF\xFB\x90\xC0", 4);
    BitWriter side(frame);
    side.put(0, 9);  // main_data_begin
    side.put(0, 5);  // private bits
    side.put(0, 4);  // scfsi
    for (int g = 0; g < 2; ++g) {
      side.put(9, 12);  // part2_3_length: no scale factors, 5 + 4 Huffman bits
      side.put(6, 9);   // big_values: pairs up to lines 10 and 11
      side.put(kGlobalGain, 8);
      side.put(0, 4);   // scalefac_compress 0: no scale factor bits
      side.put(0, 1);   // window_switching_flag: long blocks
      side.put(1, 5);   // table_select[0]: table 1 (values 0 and 1)
      side.put(0, 5);
      side.put(0, 5);
      side.put(7, 4);   // region0_count: region 0 reaches line 36
      side.put(7, 3);   // region1_count
      side.put(0, 3);   // preflag, scalefac_scale, count1table_select
    }
    BitWriter main(frame);
    for (int g = 0; g < 2; ++g) {
      const int granule = 2 * f + g;
      const bool negative = (granule / 2) % 2 == 1;
      for (int pair = 0; pair < 5; ++pair) main.put(1, 1);  // (0, 0): "1"
      main.put(1, 3);                                       // (0, 1): "001"
      main.put(negative ? 1 : 0, 1);                        // the sign of line 11
    }
    frame.resize(kFrame, '\0');  // the rest of the frame: ancillary zero bytes
    out += frame;
  }
  return out;
}

namespace {

std::string box(const char* type, const std::string& payload) {
  const std::uint32_t size = static_cast<std::uint32_t>(8 + payload.size());
  std::string b;
  b += static_cast<char>(size >> 24);
  b += static_cast<char>(size >> 16);
  b += static_cast<char>(size >> 8);
  b += static_cast<char>(size);
  b += std::string(type, 4);
  return b + payload;
}

}  // namespace

std::string small_mp4() {
  const std::string ftyp = box("ftyp", std::string("isom\0\0\x02\0isomiso2mp41", 20));
  return ftyp + box("free", "Pindrel stand-in mirror") + box("mdat", "");
}

std::string ass_comments(const std::string& title) {
  return "[Script Info]\r\nTitle: " + title +
         "\r\nScriptType: v4.00+\r\nPlayResX: 560\r\nPlayResY: 420\r\n\r\n"
         "[V4+ Styles]\r\n"
         "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
         "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
         "MarginL, MarginR, MarginV, Encoding\r\n"
         "Style: Default,SimHei,25,&H00FFFFFF,&H00FFFFFF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,1,0,2,20,20,"
         "2,0\r\n\r\n[Events]\r\n"
         "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
         "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0000,0000,0000,,前排！\r\n"
         "Dialogue: 0,0:00:02.50,0:00:06.50,Default,,0000,0000,0000,,烟火好美\r\n";
}

std::string xml_comments(const std::string& id) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<i>\n<chatid>" + id +
         "</chatid>\n<d p=\"1.00,1,25,16777215,1375000000,0,0,0\">前排！</d>\n"
         "<d p=\"2.50,1,25,16777215,1375000001,0,0,1\">烟火好美</d>\n</i>\n";
}

}  // namespace pindrel::standin
