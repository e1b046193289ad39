<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>ConversionDialog</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Select Video Resolution to Conversion</source>
        <translation>Select Video Resolution to Conversion</translation>
    </message>
    <message>
        <source>START</source>
        <translation>START</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>SAVE</translation>
    </message>
    <message>
        <source>Save to file</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>360 Video (*.mp4)</source>
        <translation>360 Video (*.mp4)</translation>
    </message>
    <message>
        <source>Save to file failed!</source>
        <translation>Save to file failed!</translation>
    </message>
    <message>
        <source>Conversion fail!</source>
        <translation>Conversion fail!</translation>
    </message>
</context>
<context>
    <name>FileDialog</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Please select the video folder</source>
        <translation>Please select the video folder</translation>
    </message>
</context>
<context>
    <name>FileListItemView</name>
    <message>
        <source>00 : 00</source>
        <translation>00 : 00</translation>
    </message>
    <message>
        <source>2020/04/01 09:30</source>
        <translation>2020/04/01 09:30</translation>
    </message>
</context>
<context>
    <name>FileListView</name>
    <message>
        <source>File Name</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>No Valid Video files.</source>
        <translation>No Valid Video files.</translation>
    </message>
</context>
<context>
    <name>InfoView</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>X:</source>
        <translation>X:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y:</translation>
    </message>
    <message>
        <source>Z:</source>
        <translation>Z:</translation>
    </message>
    <message>
        <source>4000</source>
        <translation>4000</translation>
    </message>
    <message>
        <source>2000</source>
        <translation>2000</translation>
    </message>
    <message>
        <source>-2000</source>
        <translation>-2000</translation>
    </message>
    <message>
        <source>-4000</source>
        <translation>-4000</translation>
    </message>
</context>
<context>
    <name>InformationDialog</name>
    <message>
        <source>ABOUT QUENDRA TRELLIQ</source>
        <translation>ABOUT QUENDRA TRELLIQ</translation>
    </message>
    <message>
        <source>Version : </source>
        <translation>Version : </translation>
    </message>
    <message>
        <source>Website : </source>
        <translation>Website : </translation>
    </message>
    <message>
        <source>Copyright (C) Quendra Trelliq. All rights reserved.</source>
        <translation>Copyright (C) Quendra Trelliq. All rights reserved.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>QUENDRA TRELLIQ</source>
        <translation>QUENDRA TRELLIQ</translation>
    </message>
    <message>
        <source>This computer can&apos;t support the min 2160x1080 resolution 360 video format conversion.</source>
        <translation>This computer can&apos;t support the min 2160x1080 resolution 360 video format conversion.</translation>
    </message>
</context>
<context>
    <name>MapView</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Map View</source>
        <translation>Map View</translation>
    </message>
    <message>
        <source>Map unavailable</source>
        <translation>Map unavailable</translation>
    </message>
</context>
<context>
    <name>ModeView</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
</context>
<context>
    <name>PlayerView</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>This file is broken and can&apos;t be played.</source>
        <translation>This file is broken and can&apos;t be played.</translation>
    </message>
    <message>
        <source>Save to file</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>360 Photo (*.jpg)</source>
        <translation>360 Photo (*.jpg)</translation>
    </message>
    <message>
        <source>The snapshot could not be saved.</source>
        <translation>The snapshot could not be saved.</translation>
    </message>
</context>
<context>
    <name>UploadDialog</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Convert Video and upload to Youtube</source>
        <translation>Convert Video and upload to Youtube</translation>
    </message>
    <message>
        <source>Switch
Account</source>
        <translation>Switch
Account</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Account : </source>
        <translation>Account : </translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Title : </source>
        <translation>Title : </translation>
    </message>
    <message>
        <source>Public</source>
        <translation>Public</translation>
    </message>
    <message>
        <source>Unlisted</source>
        <translation>Unlisted</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>Private</translation>
    </message>
    <message>
        <source>LOG IN</source>
        <translation>LOG IN</translation>
    </message>
    <message>
        <source>START</source>
        <translation>START</translation>
    </message>
    <message>
        <source>0%</source>
        <translation>0%</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Save to file</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>360 Video (*.mp4)</source>
        <translation>360 Video (*.mp4)</translation>
    </message>
    <message>
        <source>Save fail!</source>
        <translation>Save fail!</translation>
    </message>
    <message>
        <source>Conversion fail!</source>
        <translation>Conversion fail!</translation>
    </message>
    <message>
        <source>Upload to Youtube fail!</source>
        <translation>Upload to Youtube fail!</translation>
    </message>
</context>
<context>
    <name>YTLoginView</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
</context>
</TS>
