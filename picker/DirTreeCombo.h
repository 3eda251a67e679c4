#pragma once

#include <QString>
#include <QWidget>

// The folder field of the main window's tool bar. SelectedPath is all the
// main window reads: the chosen folder, empty until the user chooses one.
class TDirTreeCombo : public QWidget {
    Q_OBJECT
public:
    explicit TDirTreeCombo(QWidget* parent = nullptr);
    ~TDirTreeCombo() override;

    QString SelectedPath() const { return selectedPath_; }
    void SetSelectedPath(const QString& path);

signals:
    void OnPathChange(QObject* sender, const QString& selectedPath);

protected:
    QString selectedPath_;
};
