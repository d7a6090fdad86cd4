import QtQuick
import Vokari

// A police news card drawn from the geometry the core gives (points within the card), scaled to
// the window's width; a tap goes back as a point in those same points, so the core decides
// which story it opens. Pictures that have not arrived leave their place empty.
Item {
    id: card
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property real cardWidth: value.width > 0 ? value.width : 320
    readonly property real scale: (width - 2 * Theme.margin) / cardWidth
    objectName: "newscard:" + (value.title || "")
    visible: !value.hidden
    implicitHeight: (value.height || 0) * scale + 8

    function px(r, key) { return r ? r[key] * card.scale : 0 }

    Rectangle {
        x: Theme.margin
        y: 4
        width: card.cardWidth * card.scale
        height: (card.value.height || 0) * card.scale
        radius: Theme.radius
        color: Theme.card
        clip: true

        Text {
            objectName: "time"
            x: card.px(card.value.timeRect, "x"); y: card.px(card.value.timeRect, "y")
            width: card.px(card.value.timeRect, "width")
            height: card.px(card.value.timeRect, "height")
            text: card.value.time || ""
            color: Theme.secondary
            font.pixelSize: Theme.smallFontSize
            verticalAlignment: Text.AlignVCenter
        }
        Image {
            objectName: "mainPicture"
            x: card.px(card.value.pictureRect, "x"); y: card.px(card.value.pictureRect, "y")
            width: card.px(card.value.pictureRect, "width")
            height: card.px(card.value.pictureRect, "height")
            asynchronous: true
            fillMode: Image.PreserveAspectCrop
            clip: true
            sourceSize.width: Math.ceil(width * 2)
            source: (card.value.picture || "") === "" ? "" : "image://vokari/" + card.value.picture
        }
        Rectangle {
            // the main title sits over the picture's lower edge, on a dark band to stay legible
            x: card.px(card.value.titleRect, "x"); y: card.px(card.value.titleRect, "y")
            width: card.px(card.value.titleRect, "width")
            height: card.px(card.value.titleRect, "height")
            color: "#99000000"
            Text {
                objectName: "title"
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 8
                text: card.value.title || ""
                color: "white"
                font.pixelSize: Theme.fontSize
                elide: Text.ElideRight
                verticalAlignment: Text.AlignVCenter
            }
        }
        Repeater {
            model: card.value.stories || []
            delegate: Item {
                required property var modelData
                Rectangle {  // the thin line above each further story
                    x: 0; y: card.px(modelData.band, "y") - 4 * card.scale
                    width: card.cardWidth * card.scale; height: 1
                    color: Theme.separator
                }
                Text {
                    objectName: "story" + modelData.number
                    x: card.px(modelData.titleRect, "x"); y: card.px(modelData.titleRect, "y")
                    width: card.px(modelData.titleRect, "width")
                    height: card.px(modelData.titleRect, "height")
                    text: modelData.title
                    color: Theme.text
                    font.pixelSize: Theme.smallFontSize + 1
                    wrapMode: Text.Wrap
                    elide: Text.ElideRight
                    verticalAlignment: Text.AlignVCenter
                }
                Image {
                    x: card.px(modelData.pictureRect, "x"); y: card.px(modelData.pictureRect, "y")
                    width: card.px(modelData.pictureRect, "width")
                    height: card.px(modelData.pictureRect, "height")
                    asynchronous: true
                    fillMode: Image.PreserveAspectCrop
                    clip: true
                    sourceSize.width: Math.ceil(width * 2)
                    source: modelData.picture === "" ? "" : "image://vokari/" + modelData.picture
                }
            }
        }
        MouseArea {
            anchors.fill: parent
            onClicked: (mouse) => client.tap(card.serial, card.element,
                                             mouse.x / card.scale, mouse.y / card.scale)
        }
    }
}
