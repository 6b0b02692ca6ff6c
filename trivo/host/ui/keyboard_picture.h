// The picture of the machine's keyboard and hand controllers, drawn from
// apf_key_table: each key a rectangle of the 200 x 92 plane, scaled to the
// widget, white while up and yellow while down, with its labels in black and
// its BASIC keyword in white above it. It tells its owner about a key pressed
// on the PC keyboard while it has the focus and about a left click.
//
// The Keyboard window holds one picture and shows live which keys the
// machine sees held.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>

namespace trivo {
struct Machine;
}

namespace trivo::ui {

// The plane the key table's geometry is written in.
inline constexpr int picture_plane_width = 200;
inline constexpr int picture_plane_height = 92;
// The shape the picture keeps when its owner fits it.
inline constexpr int picture_aspect_width = 200;
inline constexpr int picture_aspect_height = 84;
// The margin the owner leaves around the picture.
inline constexpr int picture_inset = 10;

// The rectangle the picture takes in an area: the largest of 200:84 that fits
// the area less the inset on each side, centred. An area whose inner width or
// height is below 6 gives an empty rectangle: the picture is not refitted.
QRect keyboard_picture_fit(const QSize& area);

// The first key (index into apf_key_table) whose rectangle holds the point
// of a picture of the given size, edges included; -1 for none.
int keyboard_picture_hit(const QSize& size, QPoint point);

class KeyboardPicture : public QWidget {
    Q_OBJECT

public:
    explicit KeyboardPicture(QWidget* parent = nullptr);

    // Draws every key in the colour key_down says (true: yellow), as the
    // machine sees them; repaints only keys that changed since the last call.
    void showKeys(const std::array<uint8_t, 128>& key_state);
    // The key drawn as selected (yellow), -1 for none.
    void setSelectedKey(int index);
    QRect keyRect(int index) const;

signals:
    // A PC key was pressed while the picture has the focus.
    void keyPressed(int qtKey);
    // The left button was pressed on key (index into apf_key_table), or -1.
    void clicked(int index);
    // The left button was let go.
    void released();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void rebuildImages();
    bool keyDown(int index) const;

    QImage m_up;
    QImage m_down;
    std::array<uint8_t, 128> m_state{};
    int m_selected = -1;
};

// The modeless "Keyboard" window of the Util menu. A key held down with the
// mouse on its picture is held on the machine too.
class KeyboardWindow : public QWidget {
    Q_OBJECT

public:
    explicit KeyboardWindow(Machine& machine, QWidget* parent = nullptr);
    KeyboardPicture* picture() const { return m_picture; }
    // After each frame: the keys the machine sees held.
    void refresh();

signals:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Machine& m_machine;
    KeyboardPicture* m_picture;
};

}  // namespace trivo::ui
