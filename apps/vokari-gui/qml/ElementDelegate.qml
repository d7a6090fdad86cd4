import QtQuick

// Chooses the delegate of an element by its kind: "<kind>Element.qml" in elements/. A new kind
// of the view model needs only its file there (and its name in the CMake list).
Loader {
    id: loader
    required property string kind
    required property int element
    required property var value
    required property int serial
    width: ListView.view ? ListView.view.width : 0
    height: item && item.visible ? item.implicitHeight : 0
    source: Qt.resolvedUrl("elements/" + kind + "Element.qml")
    Binding { target: loader.item; property: "value"; value: loader.value; when: loader.item !== null }
    Binding { target: loader.item; property: "element"; value: loader.element; when: loader.item !== null }
    Binding { target: loader.item; property: "serial"; value: loader.serial; when: loader.item !== null }
}
