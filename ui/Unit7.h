#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;
class TForm1;

// "Update": offers the download of the new version.
class TUpdaten : public QDialog {
    Q_OBJECT
  public:
    explicit TUpdaten(TForm1* form1, QWidget* parent = nullptr);

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

// The update check behind "Webupdate": asks versionUrl for the current
// version's text and shows a message, or opens the offer when the text
// differs from the program's own. offer may be null (then nothing opens).
void RunUpdateCheck(QWidget* window, QDialog* offer, const QString& versionUrl);

// The check's texts.
QString NoConnectionText();
QString UpToDateText();
QString VersionUnknownText();
