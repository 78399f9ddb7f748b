// TBrowserForm: the image browser, an MDI child with the folder tree, the thumbnail grid and the
// status log.  TMyThread walks the folder; every file is handled on the user-interface thread
// by the core's FolderScan, so the window stays responsive and a scan stops between two files.
#pragma once

#include "browser/folder_scan.h"

#include <QThread>
#include <QWidget>

#include <atomic>
#include <memory>

class QFileSystemModel;
class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QSplitter;
class QTimer;
class QTreeView;

namespace pixorama::ui {

class TMainForm;
class TBrowserForm;

// The scan thread: asks the window for one file at a time until the folder is done or it is
// asked to stop.
class TMyThread : public QThread {
    Q_OBJECT
  public:
    explicit TMyThread(TBrowserForm* form) : Form(form) {}
    TBrowserForm* Form;
    std::atomic<bool> Done{false};

  protected:
    void run() override;
};

// The thumbnail grid (takes the keyboard itself).
class TThumbGrid : public QWidget {
    Q_OBJECT
  public:
    explicit TThumbGrid(TBrowserForm* owner);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    TBrowserForm* owner_;
};

class TBrowserForm : public QWidget {
    Q_OBJECT
  public:
    explicit TBrowserForm(TMainForm& main);
    ~TBrowserForm() override;

    QPlainTextEdit* Memo1 = nullptr;
    QTreeView* JamShellTree1 = nullptr;
    QLabel* NamePanel = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TThumbGrid* PaintBox1 = nullptr;

    bool Pending = false;
    bool Running = false;
    TMyThread* ScanThread = nullptr;
    int Selected = 1;
    QString LastFolder;

    const FolderScan& Scan() const { return scan_; }
    int ThumbCount() const { return static_cast<int>(scan_.Thumbs().size()); }
    // The folder chosen in the tree; empty when none.
    QString SelectedFolder() const;
    // Chooses a folder in the tree, as a click would.
    void SelectFolder(const QString& path);
    QString StatusText() const;
    void ShowStatus();
    void ScrollToSelected();
    // Opens the selected thumbnail's file as a document.
    void OpenSelected();

    // One step of the scan thread (user-interface thread).
    void ScanStep();
    // The browser became the active window: palette screens repaint every window.
    void FormActivate();
    // Status area text while a scan runs ("Thumbnails: 3 von 12").
    static QString ProgressText(int done, int total);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void folderChanged();
    void startScan(const QString& folder);
    void ScanFinished();
    void log(const QString& line);
    void showProgress(int done, int total);
    void homeLoaded(const QString& path);

    TMainForm& main_;
    FolderScan scan_;
    QString home_; // the folder chosen at first, scrolled into view once the tree has it
    QTimer* homeScroll_ = nullptr;
    bool homeRead_ = false;
    QFileSystemModel* model_ = nullptr;
    QSplitter* split1_ = nullptr;
    QSplitter* split2_ = nullptr;
    bool closing_ = false;
};

// "&Browse...": creates the browser unless one exists.
void Browse1Click(TMainForm& main, bool maximised = false);

} // namespace pixorama::ui
