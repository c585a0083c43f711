#!/usr/bin/env python3
"""Writes the station's dialogs as Qt Designer files (resources/*.ui).

Each dialog is laid out in dialog units, as its resource gives it, and turned
into pixels from the dialog's font: a dialog unit is a quarter of the font's
average character width across and an eighth of its height down.
Run from the repository root: python3 resources/gen/make_dialog_ui.py
"""
from xml.sax.saxutils import escape

# Average character width and height in pixels of the dialog fonts at 96 dpi.
FONTS = {"MS Sans Serif": (6, 13), "System": (8, 16)}


def px(du_x, du_y, font):
    bx, by = FONTS[font]
    return round(du_x * bx / 4), round(du_y * by / 8)


def rect(x, y, w, h, font):
    px_x, px_y = px(x, y, font)
    px_w, px_h = px(w, h, font)
    return (f'<property name="geometry"><rect><x>{px_x}</x><y>{px_y}</y>'
            f'<width>{px_w}</width><height>{px_h}</height></rect></property>')


def widget(cls, name, geometry, props):
    body = "".join(props)
    return f'  <widget class="{cls}" name="{name}">{geometry}{body}</widget>\n'


def text(t):
    return f'<property name="text"><string>{escape(t)}</string></property>'


def title(t):
    return f'<property name="title"><string>{escape(t)}</string></property>'


def control_id(i):
    return f'<property name="controlId" stdset="0"><number>{i}</number></property>'


def dialog(cls, dialog_id, caption, font, size, children):
    w, h = px(size[0], size[1], font)
    point = 8
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0">\n'
        f' <class>{cls}</class>\n'
        f' <widget class="QDialog" name="{cls}">\n'
        f'  <property name="geometry"><rect><x>0</x><y>0</y><width>{w}</width>'
        f'<height>{h}</height></rect></property>\n'
        f'  <property name="minimumSize"><size><width>{w}</width><height>{h}</height></size></property>\n'
        f'  <property name="maximumSize"><size><width>{w}</width><height>{h}</height></size></property>\n'
        f'  <property name="windowTitle"><string>{escape(caption)}</string></property>\n'
        f'  <property name="font"><font><pointsize>{point}</pointsize></font></property>\n'
        f'  <property name="modal"><bool>true</bool></property>\n'
        f'  <property name="dialogId" stdset="0"><number>{dialog_id}</number></property>\n'
        + "".join(children) +
        ' </widget>\n <resources/>\n <connections/>\n</ui>\n')


def button(name, label, cid, x, y, w, h, font, default=False):
    props = [text(label), control_id(cid)]
    if default:
        props.append('<property name="default"><bool>true</bool></property>')
    else:
        props.append('<property name="autoDefault"><bool>false</bool></property>')
    return widget("QPushButton", name, rect(x, y, w, h, font), props)


def edit(name, cid, x, y, w, h, font, centred=False):
    props = [control_id(cid), '<property name="readOnly"><bool>true</bool></property>',
             '<property name="frame"><bool>true</bool></property>']
    if centred:
        props.append('<property name="alignment"><set>Qt::AlignCenter</set></property>')
    return widget("QLineEdit", name, rect(x, y, w, h, font), props)


def label(name, t, x, y, w, h, font):
    return widget("QLabel", name, rect(x, y, w, h, font), [text(t)])


def group(name, t, x, y, w, h, font):
    return widget("QGroupBox", name, rect(x, y, w, h, font), [title(t)])


def about():
    f = "System"
    return dialog("AboutDialog", 103, "Informacion del software", f, (138, 70), [
        group("group", "Controlador TORVA", 6, 6, 127, 57, f),
        label("credit1", "TORVA version 1.0", 16, 17, 69, 8, f),
        label("credit2", "Estacion de control", 16, 33, 69, 8, f),
        label("credit3", "para Linux y Qt", 16, 49, 69, 8, f),
        button("acceptButton", "Aceptar", 1, 90, 30, 30, 11, f, default=True),
    ])


def ip():
    f = "MS Sans Serif"
    return dialog("IpDialog", 138, "Conexion modo IP", f, (186, 62), [
        button("manualButton", "Manual", 1, 129, 7, 50, 14, f, default=True),
        button("autoButton", "Automatico", 3, 129, 24, 50, 14, f, default=True),
        button("cancelButton", "Cancelar", 2, 129, 41, 50, 14, f),
        edit("addressField", 1019, 27, 24, 96, 14, f),
        label("addressLabel", "IP :", 7, 26, 13, 16, f),
    ])


PORTS = [(1022, "COM1", 21, 18), (1023, "COM2", 79, 17), (4, "COM3", 137, 17),
         (1024, "COM4", 21, 37), (1025, "COM5", 79, 37), (5, "COM6", 137, 36),
         (1026, "COM7", 21, 56), (1027, "COM8", 80, 56), (1028, "COM9", 137, 56),
         (1029, "COM10", 21, 75), (1030, "COM11", 79, 75), (1031, "COM12", 137, 75)]


def serial():
    f = "MS Sans Serif"
    children = [group("portGroup", "Seleccionar Puerto ", 14, 7, 181, 90, f)]
    for cid, port, x, y in PORTS:
        children.append(button(f"port{port}", port, cid, x, y, 50, 14, f))
    children += [
        group("selectedGroup", "Puerto Seleccionado", 15, 101, 180, 51, f),
        edit("selectedField", 1032, 79, 113, 49, 13, f, centred=True),
        button("manualButton", "Manual", 1033, 23, 131, 50, 14, f, default=True),
        button("autoButton", "Automatico", 1034, 79, 131, 50, 14, f, default=True),
        button("cancelButton", "Cancelar", 2, 137, 131, 50, 14, f),
    ]
    return dialog("SerialDialog", 140, "Puerto Serial", f, (202, 159), children)


for name, make in (("about_dialog", about), ("ip_dialog", ip), ("serial_dialog", serial)):
    with open(f"resources/{name}.ui", "w") as out:
        out.write(make())
