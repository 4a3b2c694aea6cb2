#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;

// The About window: a borderless popup of 400 by 250 pixels on white with the
// program's bitmap, name, build date, run count, the maker and the copyright
// warning. A click or Escape closes it.
class CZELVAboutWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 250;

    CZELVAboutWnd(const QString& programName, const QString& buildDate, const QPixmap& bitmap,
                  int runCount, QWidget* parent = nullptr);

    void SetRunCount(int runCount);
    void SetBitmap(const QPixmap& bitmap);

    static QString MakerName();
    static QString WebAddress();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_bitmap = nullptr;
    QLabel* m_runs = nullptr;
};
