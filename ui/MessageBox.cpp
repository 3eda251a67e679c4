#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QTranslator>
#include <algorithm>
#include <climits>
#include <utility>

#include "tags/Messages.h"

namespace {

// The words of the message box's own "Details" button, German like the rest.
class DetailWords : public QTranslator {
  public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (qstrcmp(context, "QMessageBox") != 0) return {};
        if (qstrcmp(source, "Show Details...") == 0) return QStringLiteral("Details einblenden");
        if (qstrcmp(source, "Hide Details...") == 0) return QStringLiteral("Details ausblenden");
        return {};
    }
};

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

ShortMessage ShortenMessage(const QString& text, int maxLines) {
    constexpr int kLongLine = 110, kHead = 50;
    const auto shorten = [](const QString& line) {
        if (line.size() <= kLongLine) return line;
        return line.left(kHead) + QChar(0x2026) + line.right(kLongLine - kHead - 1);
    };
    QStringList paragraphs = text.split(QStringLiteral("\n\n"));
    // Short messages stay whole; in a long one, each list longer than a few
    // lines gets its share.
    constexpr int kFew = 3;
    int total = 0, lists = 0;
    for (const QString& p : paragraphs) {
        const auto n = static_cast<int>(p.count(QLatin1Char('\n')));
        total += n;
        lists += n > kFew ? 1 : 0;
    }
    const int perList =
        total <= maxLines + kFew + 2 ? INT_MAX : std::max(kFew, maxLines / std::max(lists, 1));
    bool cut = false;
    for (QString& p : paragraphs) {
        QStringList lines = p.split(QLatin1Char('\n'));
        // The heading wraps in the box; a file line cannot.
        for (int i = 1; i < lines.size(); ++i) {
            const QString shorter = shorten(lines[i]);
            cut = cut || shorter != lines[i];
            lines[i] = shorter;
        }
        const int items = static_cast<int>(lines.size()) - 1;
        if (items > perList && perList != INT_MAX) {
            const int rest = items - perList;
            lines = lines.mid(0, perList + 1);
            lines << QStringLiteral("\u2026 und %1 weitere").arg(rest);
            cut = true;
        }
        p = lines.join(QLatin1Char('\n'));
    }
    if (!cut) return {text, {}};
    return {paragraphs.join(QStringLiteral("\n\n")), text};
}

std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text, QWidget* parent) {
    [[maybe_unused]] static const bool installed =
        QCoreApplication::installTranslator(new DetailWords(QCoreApplication::instance()));
    const ShortMessage shown = ShortenMessage(text);
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStringLiteral("Tonzettel"),
                                             shown.Shown, QMessageBox::Ok, parent);
    if (!shown.Details.isEmpty()) box->setDetailedText(shown.Details);
    return box;
}

void ShowMessageBox(const QString& text, QWidget* parent) {
    if (const MessageBoxHook hook = Hook()) {
        hook(text);
        return;
    }
    if (!parent) parent = QApplication::activeWindow();
    const FocusReturn focusReturn;
    MakeMessageBox(text, parent)->exec();
}

FocusReturn::FocusReturn()
    : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {
    for (QWidget* w = window_ ? window_->parentWidget() : nullptr; w; w = w->parentWidget())
        if (w->isWindow()) owners_.emplace_back(w);
}

FocusReturn::~FocusReturn() {
    QWidget* target = window_ && window_->isVisible() ? window_.data() : nullptr;
    for (size_t i = 0; !target && i < owners_.size(); ++i)
        if (owners_[i] && owners_[i]->isVisible()) target = owners_[i];
    if (!target) return;
    target->activateWindow();
    if (focus_ && focus_->window() == target && focus_->isVisible()) focus_->setFocus();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

void InstallTagMessageHandler() {
    SetMessageHandler(
        [](const std::string& text) { ShowMessageBox(QString::fromStdString(text)); });
}
