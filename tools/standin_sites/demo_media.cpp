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

std::string silent_mp3() {
  // Header FF FB 90 C0: MPEG-1, Layer III, no CRC, 128 kbit/s, 44.1 kHz,
  // no padding, mono. 144 * 128000 / 44100 = 417 bytes a frame. The 17 bytes
  // of side information and the main data are zero: every granule has
  // part2_3_length 0, which decodes to silence.
  constexpr std::size_t kFrame = 417;
  constexpr int kFrames = 77;  // 77 * 1152 / 44100 = 2.0 s
  std::string out;
  out.reserve(kFrame * kFrames);
  for (int f = 0; f < kFrames; ++f) {
    std::string frame(kFrame, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\xC0';
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
