// TInfo: the about box "Info".
#pragma once

#include <QDialog>
#include <QPixmap>

class QEvent;
class QFrame;
class QLabel;
class QToolButton;
class QWidget;

// "Info": version, the maker's web page and e-mail address.
class TInfo : public QDialog {
    Q_OBJECT
  public:
    explicit TInfo(QWidget* parent);

    // The 80 x 200 picture of the left panel.
    static QPixmap Picture();

  public slots:
    void LabelHTTPClick();  // the web page to the browser
    void LabelMailClick();  // "mailto:" + the address to the mail program
    void SpeedButton2Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QFrame* panel1_ = nullptr;
    QLabel* image1_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* labelHTTP_ = nullptr;
    QLabel* labelMail_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
};
