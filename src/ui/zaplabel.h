#pragma once

#include <QWidget>

class fang;
class Label;
class PictureBox;
class Shape;

// The info window: title, rights notice, credits and the way back to the game.
// It keeps no game state; closing it hands over to the main window.
class ZAPLABEL : public QWidget
{
    Q_OBJECT

public:
    explicit ZAPLABEL(fang &main);

    Shape *Figur1;
    Label *Bezeichnung2;
    Label *Bezeichnung3;
    Label *Bezeichnung4;
    Label *Bezeichnung5;
    Label *Bezeichnung6;
    Label *Bezeichnung7;
    Label *Bezeichnung1;
    PictureBox *Bild1;
    Label *Bezeichnung8;

public slots:
    void Form_Load();
    void Bild1_Click();
    void Bezeichnung1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    fang *m_main;
};
