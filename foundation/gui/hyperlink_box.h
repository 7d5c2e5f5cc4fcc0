// The hyperlink box: a caption that opens its stored address in the default
// browser when it is clicked; the program adds no handler of its own.
#pragma once

#include <QLabel>

#include "foundation/text.h"

namespace pindrel {

class HyperlinkBox : public QLabel {
  Q_OBJECT

 public:
  explicit HyperlinkBox(QWidget* parent = nullptr);

  void set_caption(const Text& caption);
  Text caption() const;
  void set_target(const Text& target) { target_ = target; }
  const Text& target() const { return target_; }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Text target_;
};

}  // namespace pindrel
