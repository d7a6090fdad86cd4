import QtQuick
import Vokari

// The ring around the control that has the keyboard's focus.
Rectangle {
    property Item target: parent
    property real inset: -3
    anchors.fill: target
    anchors.margins: inset
    radius: 10
    color: "transparent"
    border.width: 3
    border.color: Theme.focus
    visible: target && target.activeFocus
    z: 100
}
