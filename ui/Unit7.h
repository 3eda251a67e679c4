// TUpdaten: the download offer "Update".
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// "Update": offers the download of the new version.
class TUpdaten : public QDialog {
    Q_OBJECT
  public:
    explicit TUpdaten(QWidget* parent);

    // The 32 x 32 picture at the left.
    static QPixmap Picture();

  public slots:
    void SpeedButton1Click();  // "Ja": the archive to the browser, then close
    void SpeedButton2Click();  // "Nein"

  private:
    QLabel* image1_ = nullptr;
    QLabel* label1_ = nullptr;
    QPushButton* speedButton1_ = nullptr;
    QPushButton* speedButton2_ = nullptr;
};
