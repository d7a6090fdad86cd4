import QtQuick
import QtQuick.Window
import Vokari

// The phone-shaped window: the navigation bar and the top screen's elements, with the progress
// overlay, alerts and sheets, the calling panel and the message banner above them. Knows no
// screen: everything comes from the bridge ("client").
Window {
    id: window
    width: 390
    height: 800
    minimumWidth: 320
    minimumHeight: 520
    visible: true
    title: "Vokari"
    color: client.presented > 0 ? "#3a3a40" : Theme.background

    Item {
        id: page
        objectName: "page"
        anchors.fill: parent
        // A presented stack is a card over the one below.
        anchors.topMargin: client.presented > 0 ? 10 : 0

        Rectangle {
            anchors.fill: parent
            color: Theme.background
            radius: client.presented > 0 ? 12 : 0
        }

        NavBar {
            id: bar
            anchors { top: parent.top; left: parent.left; right: parent.right }
            presented: client.presented > 0
        }

        ListView {
            id: list
            objectName: "elementList"
            anchors { top: bar.bottom; left: parent.left; right: parent.right; bottom: parent.bottom }
            clip: true
            model: client.elements
            topMargin: 12
            bottomMargin: 24
            spacing: 8
            boundsBehavior: Flickable.StopAtBounds
            cacheBuffer: 400
            delegate: ElementDelegate {}
            Connections {
                target: client
                function onScreenShown() { list.positionViewAtBeginning() }
            }
            // The rows on screen, so that a long list keeps cards only for them and the next ones.
            function reportShown() {
                client.shown(client.screenSerial, indexAt(width / 2, contentY + 1),
                             indexAt(width / 2, contentY + height - 1))
            }
            onContentYChanged: reportShown()
            onHeightChanged: reportShown()
            onCountChanged: reportShown()
        }
    }

    SmsBanner { anchors { top: parent.top; left: parent.left; right: parent.right } }
    HudOverlay { anchors.fill: parent }
    AlertOverlay { anchors.fill: parent }
    CallPanel { anchors.fill: parent }
    MediaDialog {}
}
