#include "host/ui/keyboard_picture.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "host/keyboard.h"
#include "machine/machine.h"

namespace trivo::ui {

namespace {

const QColor key_up_colour(255, 255, 255);
const QColor key_down_colour(255, 255, 0);
// Below this size the picture is not drawn at all.
constexpr int smallest_drawn = 32;

// Font heights in the picture's drawing units, five to a plane unit.
constexpr double units_per_plane_unit = 5.0;
constexpr double main_alone_height = 40;
constexpr double main_fallback_height = 30;
constexpr double paired_height = 22;  // upper labels, mains below them, controller labels
constexpr double keyword_height = 20;

QRectF plane_rect(const ApfKey& key, double sx, double sy) {
    return QRectF(key.x * sx, key.y * sy, key.width * sx, key.height * sy);
}

// A bold Arial of a height in drawing units, its characters narrowed to
// stretch percent of their width.
QFont label_font(double units, double sy, int stretch) {
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(units / units_per_plane_unit * sy)));
    font.setStretch(stretch);
    return font;
}

void draw_label(QPainter& p, const QRectF& area, const QString& text, QFont font,
                double fallback_units, double sy) {
    // A label that does not fit its key falls back to a smaller font.
    if (QFontMetricsF(font).horizontalAdvance(text) > area.width() && fallback_units > 0) {
        font = label_font(fallback_units, sy, 44);
    }
    p.setFont(font);
    p.drawText(area, Qt::AlignCenter, text);
}

}  // namespace

QRect keyboard_picture_fit(const QSize& area) {
    const int inner_w = area.width() - 2 * picture_inset;
    const int inner_h = area.height() - 2 * picture_inset;
    if (inner_w < 6 || inner_h < 6) return {};
    int w = inner_w;
    int h = w * picture_aspect_height / picture_aspect_width;
    if (h > inner_h) {
        h = inner_h;
        w = h * picture_aspect_width / picture_aspect_height;
    }
    return QRect(picture_inset + (inner_w - w) / 2, picture_inset + (inner_h - h) / 2, w, h);
}

int keyboard_picture_hit(const QSize& size, QPoint point) {
    if (size.width() <= 0 || size.height() <= 0) return -1;
    const double px = point.x() * double(picture_plane_width) / size.width();
    const double py = point.y() * double(picture_plane_height) / size.height();
    for (int i = 0; i < apf_key_count; ++i) {
        const ApfKey& k = apf_key_table[i];
        if (px >= k.x && px <= k.x + k.width && py >= k.y && py <= k.y + k.height) return i;
    }
    return -1;
}

// ---------------------------------------------------------------- picture

KeyboardPicture::KeyboardPicture(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect KeyboardPicture::keyRect(int index) const {
    if (index < 0 || index >= apf_key_count) return {};
    const double sx = width() / double(picture_plane_width);
    const double sy = height() / double(picture_plane_height);
    return plane_rect(apf_key_table[index], sx, sy).toAlignedRect();
}

void KeyboardPicture::rebuildImages() {
    // Two pictures that differ only in the keys' colour: a key that goes
    // down or up is copied from one of them.
    const double sx = width() / double(picture_plane_width);
    const double sy = height() / double(picture_plane_height);
    for (QImage* image : {&m_up, &m_down}) {
        *image = QImage(size(), QImage::Format_RGB32);
        image->fill(Qt::black);
        QPainter p(image);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QColor fill = image == &m_up ? key_up_colour : key_down_colour;
        for (const ApfKey& key : apf_key_table) {
            const QRectF r = plane_rect(key, sx, sy);
            p.fillRect(r, fill);
            const QString main = QString::fromLatin1(key.main);
            const QString upper = QString::fromLatin1(key.upper);
            const QString keyword = QString::fromLatin1(key.keyword);
            p.setPen(Qt::black);
            if (key.kind == KeyKind::controller) {
                draw_label(p, r, main, label_font(paired_height, sy, 75), 0, sy);
            } else if (upper.isEmpty()) {
                const bool one = main.size() == 1;
                draw_label(p, r, main, label_font(main_alone_height, sy, one ? 100 : 75),
                           one ? 0 : main_fallback_height, sy);
            } else {
                const QRectF top(r.left(), r.top(), r.width(), r.height() / 2);
                const QRectF bottom(r.left(), r.top() + r.height() / 2, r.width(), r.height() / 2);
                draw_label(p, top, upper, label_font(paired_height, sy, 75), 0, sy);
                draw_label(p, bottom, main, label_font(paired_height, sy, main.size() == 1 ? 75 : 44),
                           0, sy);
            }
            if (!keyword.isEmpty()) {
                p.setPen(Qt::white);
                p.setFont(label_font(keyword_height, sy, 75));
                const double h = keyword_height / units_per_plane_unit * sy * 1.2;
                p.drawText(QRectF(r.left() - 3 * sx, r.top() - h, r.width() + 6 * sx, h),
                           Qt::AlignHCenter | Qt::AlignBottom, keyword);
            }
        }
    }
}

bool KeyboardPicture::keyDown(int index) const {
    return index == m_selected || m_state[apf_key_table[index].number] != 0;
}

void KeyboardPicture::showKeys(const std::array<uint8_t, 128>& key_state) {
    if (key_state == m_state) return;
    for (int i = 0; i < apf_key_count; ++i) {
        const uint8_t n = apf_key_table[i].number;
        if ((key_state[n] != 0) != (m_state[n] != 0)) update(keyRect(i));
    }
    m_state = key_state;
}

void KeyboardPicture::setSelectedKey(int index) {
    if (index == m_selected) return;
    update(keyRect(m_selected));
    m_selected = index;
    update(keyRect(m_selected));
}

void KeyboardPicture::resizeEvent(QResizeEvent*) {
    m_up = QImage();
    m_down = QImage();
}

void KeyboardPicture::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (width() < smallest_drawn || height() < smallest_drawn) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    if (m_up.size() != size()) rebuildImages();
    p.drawImage(event->rect(), m_up, event->rect());
    for (int i = 0; i < apf_key_count; ++i) {
        if (!keyDown(i)) continue;
        const QRect r = keyRect(i).intersected(event->rect());
        if (!r.isEmpty()) p.drawImage(r, m_down, r);
    }
}

void KeyboardPicture::keyPressEvent(QKeyEvent* event) {
    emit keyPressed(event->key());
    event->accept();
}

void KeyboardPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus();
        emit clicked(keyboard_picture_hit(size(), event->position().toPoint()));
    }
    QWidget::mousePressEvent(event);
}

void KeyboardPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit released();
    QWidget::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------- window

KeyboardWindow::KeyboardWindow(Machine& machine, QWidget* parent)
    : QWidget(parent, Qt::Window), m_machine(machine) {
    setWindowTitle(QStringLiteral("Keyboard"));
    m_picture = new KeyboardPicture(this);
    resize(620, 280);
    connect(m_picture, &KeyboardPicture::clicked, this, [this](int index) {
        m_machine.input.host.picture_key = index < 0 ? -1 : apf_key_table[index].number;
    });
    connect(m_picture, &KeyboardPicture::released, this,
            [this] { m_machine.input.host.picture_key = -1; });
    refresh();
}

void KeyboardWindow::refresh() { m_picture->showKeys(m_machine.key_state); }

void KeyboardWindow::resizeEvent(QResizeEvent*) {
    const QRect fit = keyboard_picture_fit(size());
    if (!fit.isEmpty()) m_picture->setGeometry(fit);
}

void KeyboardWindow::closeEvent(QCloseEvent* event) {
    m_machine.input.host.picture_key = -1;
    emit closed();
    QWidget::closeEvent(event);
}

}  // namespace trivo::ui
