#pragma once
// The event-log page of the site panel: a plain container for the log's table and
// its clear button, which LogViewController drives. It draws nothing of its own.

#include <QWidget>

namespace zelvo {

class LogView : public QWidget {
  Q_OBJECT
 public:
  explicit LogView(QWidget* parent = nullptr);
};

}  // namespace zelvo
