#pragma once

#include <QWidget>

namespace pelvanto {

// The bar between the folder tree and the file list. It only reports the mouse, with its
// position relative to the bar; the window decides where things go.
class SplitterBar : public QWidget {
    Q_OBJECT
public:
    explicit SplitterBar(QWidget *parent = nullptr);

signals:
    void pressed();
    void moved(int x);
    void released(int x);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace pelvanto
