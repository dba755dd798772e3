#include "settings/ui/sermeter.h"

#include "app/commands.h"
#include "settings/setup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace pelzo {

namespace {

QLabel* MakeLabel(QWidget* parent, int x, int y, const char* text)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QRadioButton* MakeRadio(QWidget* parent, int x, int y, const char* text)
{
    auto* r = new QRadioButton(QString::fromUtf8(text), parent);
    r->move(x, y);
    r->adjustSize();
    return r;
}

QGroupBox* MakeGroup(QWidget* parent, int x, int y, int w, int h, const char* title)
{
    auto* g = new QGroupBox(QString::fromUtf8(title), parent);
    g->setGeometry(x, y, w, h);
    return g;
}

// Buttons that only act when pressed: Enter in the dialog must not sync the clock.
QPushButton* MakeButton(QWidget* parent, int x, int y, int w, int h, const char* text)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setGeometry(x, y, w, h);
    b->setAutoDefault(false);
    return b;
}

ColorShape* MakeShape(QWidget* parent, int x, int y)
{
    auto* s = new ColorShape(parent);
    s->setGeometry(x, y, 57, 17);
    return s;
}

}  // namespace

ColorShape::ColorShape(QWidget* parent) : QWidget(parent) {}

void ColorShape::setColor(Rgb c)
{
    color_ = c;
    update();
}

void ColorShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(QColor::fromRgb(color_));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorShape::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    emit pressed();
}

TForm_SetupMeter::TForm_SetupMeter(Core& c, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      c_(c)
{
    SetupCopy = c_.st.MeterSetup;
    BuildControls();
    FillControls();
    FormCreate();
}

TForm_SetupMeter::~TForm_SetupMeter() = default;

void TForm_SetupMeter::BuildControls()
{
    setWindowTitle(QString::fromUtf8("设置"));
    setFixedSize(296, 262);
    QFont f = QApplication::font();
    f.setPixelSize(11);
    setFont(f);

    GroupBox1 = MakeGroup(this, 8, 5, 281, 137, " 仪表设置 ");
    Label4 = MakeLabel(GroupBox1, 16, 32, "测量档位: ");
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setEditable(false);  // a pick-only list: no typed text, no empty choice
    for (const QString& item : RangeItems()) ComboBox1->addItem(item);
    ComboBox1->move(93, 29);
    ComboBox1->resize(108, ComboBox1->sizeHint().height());
    SpeedButton_Clock = MakeButton(GroupBox1, 209, 29, 64, 39, "同步时钟");

    GroupBox3 = MakeGroup(GroupBox1, 16, 57, 185, 33, "");
    Label5 = MakeLabel(GroupBox3, 8, 10, "加权模式: ");
    RadioButton_A = MakeRadio(GroupBox3, 77, 9, "A");
    RadioButton_C = MakeRadio(GroupBox3, 132, 10, "C");

    GroupBox4 = MakeGroup(GroupBox1, 16, 94, 185, 32, "");
    Label6 = MakeLabel(GroupBox4, 8, 13, "测量速度: ");
    RadioButton_F = MakeRadio(GroupBox4, 77, 10, "Fast");
    RadioButton_S = MakeRadio(GroupBox4, 132, 10, "Slow");

    GroupBox5 = MakeGroup(GroupBox1, 208, 78, 65, 48, "   MAX ");
    CheckBox_Max = new QCheckBox(GroupBox5);
    CheckBox_Max->setTristate(false);
    CheckBox_Max->move(24, 20);
    CheckBox_Max->adjustSize();

    GroupBox2 = MakeGroup(this, 8, 148, 281, 81, " 曲线图设置 ");
    Label1 = MakeLabel(GroupBox2, 21, 24, "测量值   ");
    Shape1 = MakeShape(GroupBox2, 16, 48);
    Label2 = MakeLabel(GroupBox2, 116, 24, "最大值   ");
    Shape2 = MakeShape(GroupBox2, 112, 48);
    Label3 = MakeLabel(GroupBox2, 208, 24, "最小值   ");
    Shape3 = MakeShape(GroupBox2, 204, 48);

    SpeedButton1 = MakeButton(this, 32, 235, 73, 22, "确认退出");
    SpeedButton2 = MakeButton(this, 192, 235, 73, 22, "退       出");

    connect(Shape1, &ColorShape::pressed, this, &TForm_SetupMeter::Shape1MouseDown);
    connect(Shape2, &ColorShape::pressed, this, &TForm_SetupMeter::Shape2MouseDown);
    connect(Shape3, &ColorShape::pressed, this, &TForm_SetupMeter::Shape3MouseDown);
    connect(SpeedButton1, &QPushButton::clicked, this, &TForm_SetupMeter::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TForm_SetupMeter::SpeedButton2Click);
    connect(SpeedButton_Clock, &QPushButton::clicked, this, &TForm_SetupMeter::SpeedButton_ClockClick);
}

void TForm_SetupMeter::FormCreate() { FillControls(); }

void TForm_SetupMeter::FillControls()
{
    const SetupFields s = DecodeSetup(SetupCopy);
    CheckBox_Max->setChecked(s.maxHold);
    (s.slow ? RadioButton_S : RadioButton_F)->setChecked(true);
    (s.cWeighting ? RadioButton_C : RadioButton_A)->setChecked(true);
    // An index no item names (7) selects nothing; confirming then keeps it as read.
    ComboBox1->setCurrentIndex(s.range < RangeCount ? s.range : -1);
    Shape1->setColor(c_.st.ColorRec);
    Shape2->setColor(c_.st.ColorMax);
    Shape3->setColor(c_.st.ColorMin);
}

void TForm_SetupMeter::PickColor(Rgb& member, ColorShape* shape)
{
    const std::optional<Rgb> picked = c_.dialogs.pickColor(lastPicked_);
    if (!picked) return;
    lastPicked_ = *picked;
    member = *picked;
    shape->setColor(*picked);
}

void TForm_SetupMeter::Shape1MouseDown() { PickColor(c_.st.ColorRec, Shape1); }
void TForm_SetupMeter::Shape2MouseDown() { PickColor(c_.st.ColorMax, Shape2); }
void TForm_SetupMeter::Shape3MouseDown() { PickColor(c_.st.ColorMin, Shape3); }

uint8_t TForm_SetupMeter::ControlsByte() const
{
    const int item = ComboBox1->currentIndex();
    SetupFields f;
    f.range = item >= 0 ? item : DecodeSetup(SetupCopy).range;
    f.cWeighting = RadioButton_C->isChecked();
    f.slow = RadioButton_S->isChecked();
    f.maxHold = CheckBox_Max->isChecked();
    return EncodeSetup(f);
}

void TForm_SetupMeter::SpeedButton1Click()
{
    c_.st.MeterSetup = ControlsByte();
    accept();
}

void TForm_SetupMeter::SpeedButton2Click() { reject(); }

void TForm_SetupMeter::SpeedButton_ClockClick() { SyncMeterClock(c_); }

void ToolButton5Click(Core& c, QWidget* owner)
{
    RunSettingsCommand(c, [&] {
        TForm_SetupMeter dialog(c, owner);
        dialog.exec();
    });
}

}  // namespace pelzo
