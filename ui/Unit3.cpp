#include "ui/Unit3.h"

#include <QDesktopServices>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Version.h"
#include "ui/Images.h"
#include "ui/Maker.h"

namespace {

QFrame* NewBevel(const char* name, QWidget* parent) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromLatin1(name));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    return bevel;
}

QLabel* NewLink(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

void DrawNote(QPainter& painter, QPointF head, double stem) {
    painter.save();
    painter.translate(head);
    painter.rotate(-20);
    painter.drawEllipse(QRectF(-5, -3.5, 10, 7));
    painter.restore();
    painter.drawRect(QRectF(head.x() + 3.6, head.y() - stem, 1.6, stem));
}

}  // namespace

TInfo::TInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral("Info"));
    setModal(true);

    panel1_ = new QFrame(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    image1_ = new QLabel(panel1_);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setPixmap(Picture());
    image1_->setFixedSize(80, 200);
    auto* panelLayout = new QVBoxLayout(panel1_);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    panelLayout->addWidget(image1_);

    label1_ = new QLabel(QStringLiteral("Version %1").arg(QLatin1String(ProgramVersion)), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    QFont versionFont(QStringLiteral("Arial"));
    versionFont.setPixelSize(21);
    label1_->setFont(versionFont);

    auto* label5 = new QLabel(QStringLiteral("Webseite :"), this);
    label5->setObjectName(QStringLiteral("Label5"));
    labelHTTP_ = NewLink("LabelHTTP", QString::fromLatin1(MakerWebPage), this);
    auto* label3 = new QLabel(QStringLiteral("E-Mail :"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    labelMail_ = NewLink("LabelMail", QString::fromLatin1(MakerMail), this);
    labelHTTP_->installEventFilter(this);
    labelMail_->installEventFilter(this);

    speedButton2_ = new QToolButton(this);
    speedButton2_->setObjectName(QStringLiteral("SpeedButton2"));
    speedButton2_->setText(QStringLiteral("Schließen"));
    speedButton2_->setIcon(CloseButtonIcon());
    speedButton2_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    speedButton2_->setAutoRaise(true);
    connect(speedButton2_, &QToolButton::clicked, this, &TInfo::SpeedButton2Click);

    auto* links = new QGridLayout;
    links->setHorizontalSpacing(10);
    links->setVerticalSpacing(8);
    links->addWidget(label5, 0, 0);
    links->addWidget(labelHTTP_, 0, 1);
    links->addWidget(label3, 1, 0);
    links->addWidget(labelMail_, 1, 1);
    links->setColumnStretch(2, 1);

    auto* close = new QHBoxLayout;
    close->addStretch();
    close->addWidget(speedButton2_);

    auto* right = new QVBoxLayout;
    right->setSpacing(10);
    right->addWidget(label1_);
    right->addWidget(NewBevel("Bevel1", this));
    right->addSpacing(6);
    right->addLayout(links);
    right->addStretch();
    right->addWidget(NewBevel("Bevel2", this));
    right->addLayout(close);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(14);
    layout->addWidget(panel1_);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(380);
}

QPixmap TInfo::Picture() {
    QPixmap pixmap(80, 200);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 200);
    sky.setColorAt(0, QColor(20, 40, 110));
    sky.setColorAt(1, QColor(70, 130, 210));
    painter.fillRect(pixmap.rect(), sky);

    // A tag label hanging from a string, a nod to the program's name.
    painter.setPen(QPen(QColor(230, 230, 230), 1.2));
    painter.drawLine(QPointF(40, 0), QPointF(40, 18));
    QPainterPath tag;
    tag.moveTo(40, 12);
    tag.lineTo(60, 26);
    tag.lineTo(60, 80);
    tag.lineTo(20, 80);
    tag.lineTo(20, 26);
    tag.closeSubpath();
    painter.setPen(QPen(QColor(120, 90, 40), 1));
    painter.setBrush(QColor(245, 225, 170));
    painter.drawPath(tag);
    painter.setBrush(QColor(20, 40, 110));
    painter.drawEllipse(QPointF(40, 22), 3, 3);

    // Two beamed notes on the label.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 30, 20));
    DrawNote(painter, QPointF(31, 70), 24);
    DrawNote(painter, QPointF(47, 65), 24);
    painter.drawPolygon(
        QPolygonF({QPointF(34.6, 46), QPointF(52.2, 41), QPointF(52.2, 45), QPointF(34.6, 50)}));

    // The name, read from bottom to top.
    painter.save();
    painter.translate(48, 192);
    painter.rotate(-90);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(21);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, 230));
    painter.drawText(QPointF(0, 0), QStringLiteral("Tonzettel"));
    painter.restore();
    return pixmap;
}

bool TInfo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == labelHTTP_) {
            LabelHTTPClick();
            return true;
        }
        if (watched == labelMail_) {
            LabelMailClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TInfo::LabelHTTPClick() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(MakerWebPage)));
}

void TInfo::LabelMailClick() {
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(MakerMail)));
}

void TInfo::SpeedButton2Click() {
    close();
}
