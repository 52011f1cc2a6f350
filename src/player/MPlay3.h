#pragma once

#include "PlayList.h"
#include "PlayerTransport.h"
#include "mediaplayer/MediaPlayer.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;
class QMenu;
class QTimer;
class QWidget;

namespace pelvanto {

namespace skin {
class SkinButton;
class Knob;
class LevelIndicator;
class DisplayPanel;
} // namespace skin

// "Audio Player": a borderless, self-drawn player window with a play list, three play modes,
// CD audio, a position and a balance knob, a volume ramp with its level indicator, and a
// small-window strip. The play list and transport rules live in PlayList and PlayerTransport,
// the arithmetic in playerdisplay; this window wires them to its controls and timers.
class MPlay3 : public QDialog {
    Q_OBJECT
public:
    // Returns the chosen path, or empty when cancelled. `save` asks for a file to write;
    // an empty filter asks for a folder.
    using FileChooser = std::function<QString(QWidget *parent, const QString &title,
                                              const QString &filter, bool save)>;

    explicit MPlay3(QWidget *parent = nullptr, FileChooser chooser = {});
    ~MPlay3() override;

    MediaPlayer &player() { return player_; }
    PlayerTransport &transport() { return transport_; }
    PlayList &playList() { return list_; }
    int heightTwips() const { return heightTwips_; }

    // Twips of the window's design to pixels on this screen.
    int tw(int twips) const;

public slots:
    void openFile();
    void playClicked();
    void pauseClicked();
    void addDirectory();
    void addCd();
    void loadPlaylist();
    void savePlaylist();
    void toggleSmallWindow();

protected:
    void done(int result) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    skin::SkinButton *button(const char *name, int glyph, const QString &tip, QRect twips,
                             QWidget *parent = nullptr);
    void Form_Load();
    void setHeightTwips(int height);
    void unfold(bool fromPlup);
    void openWithFilter(const QString &filter, bool cdRule, bool showTitle);
    void setTitle(const QString &title);
    void showPosition();
    void moveKnob();
    void scrollTitle();
    void rampVolume();
    void syncSmallLayout();
    void restorePosition();
    void storePosition();
    void appendToList(const QStringList &paths);
    void syncList();
    void updateCaption();
    void pressKnob(int globalX, int left);
    void setMode(PlayMode mode);

    FileChooser chooser_;
    MediaPlayer player_;
    PlayList list_;
    PlayerTransport transport_;
    int heightTwips_ = 0;

    // Knob drags share these, as both knobs never move at once.
    bool dragging_ = false;
    int dragPressX_ = 0;
    int dragLeftAtPress_ = 0;
    double twipsPerPixel_ = 15;
    int knobLeftTwips_ = 120;
    int balanceLeftTwips_ = 1320;
    bool volumeUp_ = true;
    int titleLeftTwips_ = 0;

    // Controls by their names in the window's design.
    QWidget *toppic = nullptr;
    QLabel *toptime = nullptr;
    skin::DisplayPanel *PicDisplay = nullptr;
    QWidget *titleClip_ = nullptr;
    QLabel *Label20 = nullptr;
    QLabel *Label24 = nullptr;
    QLabel *Labelpause = nullptr;
    QLabel *VolumInd = nullptr;
    QLabel *shuffleon = nullptr;
    QLabel *repeaton = nullptr;
    skin::LevelIndicator *LVol = nullptr;
    skin::Knob *islider = nullptr;
    skin::Knob *balance = nullptr;
    skin::SkinButton *plup = nullptr;
    skin::SkinButton *pldown = nullptr;
    skin::SkinButton *pluss = nullptr;
    skin::SkinButton *minus = nullptr;
    skin::SkinButton *shuffle = nullptr;
    skin::SkinButton *repeat = nullptr;
    skin::SkinButton *optres = nullptr;
    skin::SkinButton *optrnd = nullptr;
    skin::SkinButton *optnon = nullptr;
    QWidget *filebar = nullptr;
    QWidget *listbar = nullptr;
    QListWidget *lstfavs = nullptr;
    QMenu *addpopup = nullptr;
    QList<skin::SkinButton *> smallButtons_; // Image5, Image6, Image7, Image8, Image16

    // Position texts and knob (1 s), title scroll (100 ms), volume ramp while held (50 ms).
    QTimer *positionTimer_ = nullptr;
    QTimer *Timer7 = nullptr;
    QTimer *TVolum = nullptr;
    QPoint manualDragOffset_;
    bool manualDrag_ = false;
};

} // namespace pelvanto
