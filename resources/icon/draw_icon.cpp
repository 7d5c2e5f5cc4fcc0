// Draws the application icon of Pindrel, one PNG per hicolor size, into the
// folder given as the only argument:
//   draw_icon out/icons   ->  out/icons/pindrel-16.png ... pindrel-256.png
// A rounded tile in the banner's blue with a white play mark over a pink link
// bar. Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

QImage draw(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);  // drawn on a 256-unit grid

  QPainterPath tile;
  tile.addRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
  QLinearGradient fill(0, 8, 0, 248);
  fill.setColorAt(0, QColor(35, 190, 240));
  fill.setColorAt(1, QColor(0, 130, 190));
  p.fillPath(tile, fill);

  QPainterPath play;
  play.moveTo(92, 56);
  play.lineTo(188, 116);
  play.lineTo(92, 176);
  play.closeSubpath();
  p.fillPath(play, Qt::white);

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(251, 114, 153));
  p.drawRoundedRect(QRectF(48, 196, 160, 24), 12, 12);
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: draw_icon OUTPUT_FOLDER\n", stderr);
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "draw_icon: cannot make %s\n", argv[1]);
    return 1;
  }
  for (int size : kSizes) {
    const QString file = out.filePath(QStringLiteral("pindrel-%1.png").arg(size));
    if (!draw(size).save(file, "PNG")) {
      std::fprintf(stderr, "draw_icon: cannot write %s\n", file.toLocal8Bit().constData());
      return 1;
    }
  }
  return 0;
}
