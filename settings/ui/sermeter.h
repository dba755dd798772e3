// The settings dialog: the meter's range, weightings and maximum hold, the colours of the three
// chart series, and the clock button.
#pragma once

#include "monitor/monitor.h"

#include <QDialog>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace pelzo {

// A filled rectangle that reports every mouse press, whichever button.
class ColorShape final : public QWidget {
    Q_OBJECT
public:
    explicit ColorShape(QWidget* parent);
    void setColor(Rgb c);
    Rgb color() const { return color_; }

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    Rgb color_ = MakeRgb(0, 0, 0);
};

class TForm_SetupMeter final : public QDialog {
    Q_OBJECT
public:
    TForm_SetupMeter(Core& c, QWidget* owner);
    ~TForm_SetupMeter() override;

    uint8_t SetupCopy = 0;

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* SpeedButton_Clock = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label5 = nullptr;
    QRadioButton* RadioButton_A = nullptr;
    QRadioButton* RadioButton_C = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QLabel* Label6 = nullptr;
    QRadioButton* RadioButton_F = nullptr;
    QRadioButton* RadioButton_S = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QCheckBox* CheckBox_Max = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    ColorShape* Shape1 = nullptr;
    ColorShape* Shape2 = nullptr;
    ColorShape* Shape3 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;

    void FormCreate();
    void FillControls();
    void Shape1MouseDown();
    void Shape2MouseDown();
    void Shape3MouseDown();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton_ClockClick();

    // The byte the controls stand for now.
    uint8_t ControlsByte() const;

private:
    void BuildControls();
    void PickColor(Rgb& member, ColorShape* shape);

    Core& c_;
    // The picker opens on the colour last confirmed in it during this dialog.
    Rgb lastPicked_ = MakeRgb(0, 0, 0);
};

}  // namespace pelzo
