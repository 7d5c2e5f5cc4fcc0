// Draws the banner picture of MainWindow: the Vantoro logo on white, 217 x 95
// pixels, written as PNG to the path given as the only argument.
//   draw_banner out/banner.png
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int kWidth = 217;
constexpr int kHeight = 95;

// A rounded screen with two antennae and a play triangle: the site's mark.
void draw_mark(QPainter& p) {
  const QColor ink(0, 161, 214);
  p.setPen(QPen(ink, 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(22, 14), QPointF(30, 24));
  p.drawLine(QPointF(52, 14), QPointF(44, 24));
  QPainterPath screen;
  screen.addRoundedRect(QRectF(8, 24, 58, 46), 10, 10);
  p.setPen(Qt::NoPen);
  QLinearGradient fill(0, 24, 0, 70);
  fill.setColorAt(0, QColor(35, 190, 240));
  fill.setColorAt(1, ink);
  p.fillPath(screen, fill);
  QPainterPath play;
  play.moveTo(30, 35);
  play.lineTo(49, 47);
  play.lineTo(30, 59);
  play.closeSubpath();
  p.fillPath(play, Qt::white);
}

void draw_name(QPainter& p) {
  QFont name(QStringLiteral("DejaVu Sans"));
  name.setPixelSize(30);
  name.setBold(true);
  p.setFont(name);
  p.setPen(QColor(251, 114, 153));
  p.drawText(QRectF(72, 18, 145, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vantoro"));

  QFont tagline(QStringLiteral("DejaVu Sans"));
  tagline.setPixelSize(11);
  p.setFont(tagline);
  p.setPen(QColor(110, 110, 110));
  p.drawText(QRectF(74, 54, 143, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("videos & comments"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: draw_banner OUTPUT.png\n", stderr);
    return 2;
  }
  QGuiApplication app(argc, argv);
  QImage image(kWidth, kHeight, QImage::Format_ARGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw_mark(p);
    draw_name(p);
    p.setPen(QPen(QColor(0, 161, 214), 2));
    p.drawLine(QPointF(74, 80), QPointF(207, 80));
  }
  if (!image.convertToFormat(QImage::Format_RGB32).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "draw_banner: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
