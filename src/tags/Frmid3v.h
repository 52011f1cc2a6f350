#pragma once

#include "TagEditorSettings.h"
#include "TagFolderScan.h"
#include "TagItem.h"

#include <QDialog>
#include <QSettings>

#include <array>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QTabBar;
class QToolBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace pelvanto {

class clsFMOD;
class SplitterBar;
class TagPreview;

// "ID3 Editor": the MP3 files of a folder with their tags; edits the ID3v1 and ID3v2 fields of
// one file or of every checked file at once, and plays the selected file. The scan runs on a
// thread of its own so that the window answers while a large folder fills the list.
class Frmid3v : public QDialog {
    Q_OBJECT
public:
    // store: where the settings live; the user's own store when none is given.
    explicit Frmid3v(QWidget *parent = nullptr, std::unique_ptr<QSettings> store = {});
    ~Frmid3v() override;

    // Starts scanning a folder into the list; does nothing while a scan or a save runs.
    void UpdateFolder(const QString &sFolder);
    void RefreshItem(int index);
    int GetSelNum() const;
    void SaveItems();
    void Playback(const QString &sFile);
    void LoadSettings();
    void SaveSettings();

    bool scanning() const { return scanner_.isRunning(); }
    const std::vector<TagItem> &tagItems() const { return tagItems_; }
    // The splitter bar's left edge, in twips.
    int splitterLeft() const { return barLeft_; }

signals:
    void scanFinished();

protected:
    void done(int result) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    QWidget *buildFrame(int tag);
    void buildMenus();
    void fillGenreLists();
    void connectSignals();

    void scanStarted(int total);
    void scanRows(int first, const QList<ScanRow> &rows);
    void scanDone();
    void stopScan();

    void showFields(const EditorFields &fields);
    EditorFields editedFields() const;
    void setV1Enabled(bool on);
    void setV2Enabled(bool on);
    void refreshGrabbedTitle();
    void updateRow(QTreeWidgetItem *row, bool written);
    QTreeWidgetItem *rowForSave() const;
    int recordOf(const QTreeWidgetItem *row) const;
    void toolbarClicked(int tag, int position);
    void copyV2ToV1();
    void copyV1ToV2();
    void setAllChecked(bool checked);

    void splitterPressed();
    void splitterMoved(int x);
    void splitterReleased(int x);
    void layoutFor(int t);
    int twips(int px) const;
    int pixels(int tw) const;

    std::unique_ptr<QSettings> store_;
    std::unique_ptr<clsFMOD> fmod_;
    std::unique_ptr<TagPreview> preview_;
    FolderScanner scanner_;
    std::vector<TagItem> tagItems_;
    std::array<QString, 4> longest_;
    std::array<bool, 3> options_{true, false, false};
    bool saving_ = false;
    bool scanCursor_ = false; // the hourglass of a running scan
    bool filling_ = false;
    bool dragging_ = false;
    int dragStart_ = 0;
    int barLeft_ = 3600;
    int layoutT_ = 3690;

    QFileSystemModel *folders_ = nullptr;
    QTreeView *ftv_ = nullptr;
    QTreeWidget *lvw_ = nullptr;
    SplitterBar *p_ = nullptr;
    QWidget *tabArea_ = nullptr;
    QTabBar *tabs_ = nullptr;
    std::array<QGroupBox *, 2> frm_{};
    std::array<QToolBar *, 2> tbr_{};
    QCheckBox *chkv1_ = nullptr;
    QCheckBox *chkv2_ = nullptr;
    std::array<QLineEdit *, V1TextCount> txtv1_{};
    QComboBox *cmbv1_ = nullptr;
    std::array<QLineEdit *, V2TextCount> txtv2_{}; // the comment box is txtv2Comment_
    QPlainTextEdit *txtv2Comment_ = nullptr;
    QComboBox *cmbv2_ = nullptr;
    QGroupBox *optionsFrame_ = nullptr;
    std::array<QCheckBox *, 3> chkOpt_{};
    QLabel *lblTitle_ = nullptr;
    QProgressBar *prb_ = nullptr;
    QMenu *selectMenu_ = nullptr;
    QMenu *playbackMenu_ = nullptr;
};

} // namespace pelvanto
