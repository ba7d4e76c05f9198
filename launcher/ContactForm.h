#pragma once

#include <QDialog>
#include <QString>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TTexturedPanel;

// "Credits and Contact Information": six credited parties, each with its mail
// and web address, which can be copied or (the web address) opened in the
// default browser. Every showing starts at the first party. Window thread only.
class TContactForm1 : public QDialog
{
    Q_OBJECT

public:
    // One credited party: its name, addresses and photo (-1 for none).
    struct Party
    {
        const char *name;
        const char *mail;
        const char *web;
        int photo;
    };
    static const std::array<Party, 6> Parties;

    explicit TContactForm1(QWidget *owner = nullptr);

    // Shows the window modally; answers its result.
    int ShowModal() { return exec(); }

    // Selects the entry of tag (0..5) as its button or label would.
    void RadioButtonClick(int tag);
    void BrowserButtonClick();
    void SpeedButton1Click();
    void SpeedButton2Click();

    TTexturedPanel *TexturedPanel1;
    std::array<QRadioButton *, 6> RadioButtons;
    std::array<QLabel *, 6> EntryLabels;   // Label3, Label6 .. Label10
    QLabel *ImagePanel;
    std::array<QLabel *, 3> Images;        // Image1 .. Image3
    QLabel *Label1;
    QLabel *Label2;
    QLineEdit *Edit1;
    QLineEdit *Edit2;
    QToolButton *SpeedButton1;
    QToolButton *SpeedButton2;
    QPushButton *OKButton;
    QPushButton *BrowserButton;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
};

// What the browser is given for a web address: one that ends in "/" gets "index.htm".
QString BrowserAddress(const QString &web);
