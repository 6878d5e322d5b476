#pragma once

#include "game/board.h"
#include "scores/highscorelist.h"
#include "scores/scorefile.h"
#include "scores/scorestore.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <memory>

class DirListBox;
class DriveListBox;
class FileListBox;
class Label;
class ListBox;
class PictureBox;
class Platform;
class QKeyEvent;
class QScrollBar;
class QTimer;
class Shape;
class ZAPLABEL;

// The main (game) window. Its controls and handlers carry the names of the game's
// design so that each handler reads as the list of steps it performs.
class fang : public QWidget
{
    Q_OBJECT

public:
    explicit fang(Platform &platform, QWidget *parent = nullptr);
    ~fang() override;

    // Shared board state for the whole run.
    Modul1 MODUL1;

    // Button column.
    Shape *Figur2;
    PictureBox *Bild2;
    PictureBox *Bild3;
    PictureBox *Bild7;
    PictureBox *Bild10;
    PictureBox *Bild6;
    PictureBox *Bild9;
    PictureBox *Bild4;
    PictureBox *Bild8;
    // Game area frame and top bar.
    Shape *Shape1;
    Shape *Figur4;
    Label *Bezeichnung14;
    Shape *Figur3;
    Label *Bezeichnung6;
    Label *Bezeichnung7;
    Shape *Figur1;
    Label *Bezeichnung1;
    QScrollBar *HBildlauf1;
    Label *Bezeichnung2;
    Shape *Figur5;
    Label *Bezeichnung15;
    // Playing field and marker.
    PictureBox *Bild5;
    Label *Bezeichnung8;
    // Bottom bar.
    Shape *Figur6;
    Label *Bezeichnung4;
    Label *Bezeichnung3;
    Label *Bezeichnung5;
    // File panel.
    PictureBox *Bild11;
    DriveListBox *Laufwerk1;
    DirListBox *Verzeichnis1;
    FileListBox *Datei1;
    // High-score panel.
    PictureBox *Bild1;
    Label *Bezeichnung17;
    Label *Bezeichnung12;
    ListBox *Liste1;
    Label *Bezeichnung20;
    // Outside the client area: they only hold values.
    Label *Bezeichnung9;
    Label *Bezeichnung10;
    Label *Bezeichnung11;
    ListBox *List1;
    QTimer *Zeit1;

    // The info window, created at its first opening.
    ZAPLABEL *infoWindow() const { return m_info.get(); }
    // The high-score file and the work on it, which goes on while the game does.
    ScoreStore &scoreStore() { return m_scores; }

public slots:
    void Form_Load();
    void Form_Activate();
    void Form_KeyDown(int KeyCode, int Shift);

    void Bild2_Click();
    void Bild3_Click();
    void Bild4_Click();
    void Bild5_Click();
    void Bild6_Click();
    void Bild7_Click();
    void Bild8_Click();
    void Bild9_Click();
    void Bild10_Click();
    void Bezeichnung20_Click();
    void Datei1_DblClick();
    void Laufwerk1_Change();
    void Verzeichnis1_Change();
    void HBildlauf1_Change();
    void HBildlauf1_Scroll();
    void Zeit1_Timer();

public:
    // Board and round.
    void MoveUp();
    void MoveDown();
    void MoveLeft();
    void MoveRight();
    void UpdatePlayer();
    void ClearBoard();
    void DrawLetters();
    void ScatterLetters();
    // Word selection.
    void NextWord();
    void SetupRound();
    // High scores.
    void LoadHighScores();
    void FinishRound();
    // Round commands.
    void QuitGame();
    void ShowHelp();

    // Key codes of the key handler.
    static constexpr int KeyEscape = 27;
    static constexpr int KeyLeft = 37;
    static constexpr int KeyUp = 38;
    static constexpr int KeyRight = 39;
    static constexpr int KeyDown = 40;
    static int keyCode(int qtKey);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createButtonColumn();
    void createTopBar();
    void createPlayingField();
    void createBottomBar();
    void createFilePanel();
    void createHighScorePanel();
    void createHiddenControls();
    void setTabOrder();
    void focusOnlyInSight();
    void focusFollowsPanel(QWidget *panel);
    void previewKey(QWidget *receiver, QKeyEvent *key);
    void printLetter(int index);
    void placeMarker();
    void reportUnreadableFolder(const QString &folder);
    void highScoresLoaded(const std::optional<scorefile::Loaded> &list);
    void highScoresSaved(bool ok);
    void tellFileFailures();
    void leave();

    Platform *m_platform;
    std::unique_ptr<ZAPLABEL> m_info;
    // The entries of Liste1, which shows them in the same order.
    HighScoreList m_highScores;
    // The file, and the won rounds that no save has taken into it yet.
    ScoreStore m_scores{scorefile::FileName};
    // Failures of the work on the file not told yet, and what looks for a calm moment to.
    bool m_saveFailed = false;
    bool m_loadFailed = false;
    QTimer *m_calm;
    // The game ends once the save on its way has ended, and takes no command meanwhile.
    bool m_leaving = false;
    // The key press being delivered and the control it last reached, so that its way up
    // the parents is not taken for new presses.
    const QKeyEvent *m_keyPress = nullptr;
    QPointer<QWidget> m_keyPressAt;
    bool m_quitting = false;
    bool m_restoringDrive = false;
};
