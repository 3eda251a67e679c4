#include "ui/Unit7.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/Maker.h"

TUpdaten::TUpdaten(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Updaten"));
    setWindowTitle(QStringLiteral("Update"));
    setModal(true);

    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setPixmap(Picture());
    image1_->setFixedSize(32, 32);

    label1_ = new QLabel(QStringLiteral("Update verfügbar. Möchten Sie runterladen ?"), this);
    label1_->setObjectName(QStringLiteral("Label1"));

    speedButton1_ = new QPushButton(QStringLiteral("Ja"), this);
    speedButton1_->setObjectName(QStringLiteral("SpeedButton1"));
    speedButton1_->setDefault(true);
    speedButton2_ = new QPushButton(QStringLiteral("Nein"), this);
    speedButton2_->setObjectName(QStringLiteral("SpeedButton2"));
    connect(speedButton1_, &QPushButton::clicked, this, &TUpdaten::SpeedButton1Click);
    connect(speedButton2_, &QPushButton::clicked, this, &TUpdaten::SpeedButton2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(speedButton1_);
    buttons->addWidget(speedButton2_);
    buttons->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(label1_);
    right->addSpacing(8);
    right->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(16);
    layout->addWidget(image1_, 0, Qt::AlignTop);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPixmap TUpdaten::Picture() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // A globe ...
    const QRectF globe(1.5, 1.5, 25, 25);
    QRadialGradient sea(globe.center() - QPointF(4, 4), 16);
    sea.setColorAt(0, QColor(120, 180, 255));
    sea.setColorAt(1, QColor(20, 80, 180));
    painter.setPen(QPen(QColor(10, 50, 120), 1));
    painter.setBrush(sea);
    painter.drawEllipse(globe);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(220, 235, 255, 170), 1));
    painter.drawEllipse(QRectF(globe.center().x() - 5, globe.top(), 10, globe.height()));
    painter.drawLine(QPointF(globe.center().x(), globe.top()),
                     QPointF(globe.center().x(), globe.bottom()));
    painter.drawLine(QPointF(globe.left(), globe.center().y()),
                     QPointF(globe.right(), globe.center().y()));
    painter.drawLine(QPointF(globe.left() + 3, globe.top() + 7),
                     QPointF(globe.right() - 3, globe.top() + 7));
    painter.drawLine(QPointF(globe.left() + 3, globe.bottom() - 7),
                     QPointF(globe.right() - 3, globe.bottom() - 7));

    // ... with a green arrow coming down from it.
    QPainterPath arrow;
    arrow.moveTo(20, 13);
    arrow.lineTo(27, 13);
    arrow.lineTo(27, 21);
    arrow.lineTo(31, 21);
    arrow.lineTo(23.5, 30.5);
    arrow.lineTo(16, 21);
    arrow.lineTo(20, 21);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(0, 90, 0), 1));
    painter.setBrush(QColor(40, 170, 40));
    painter.drawPath(arrow);
    return pixmap;
}

void TUpdaten::SpeedButton1Click() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(DownloadUrl)));
    accept();
}

void TUpdaten::SpeedButton2Click() {
    reject();
}
