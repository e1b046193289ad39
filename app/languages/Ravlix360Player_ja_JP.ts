<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>ConversionDialog</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Select Video Resolution to Conversion</source>
        <translation>変換する動画の解像度を選択</translation>
    </message>
    <message>
        <source>START</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save to file</source>
        <translation>ファイルに保存</translation>
    </message>
    <message>
        <source>360 Video (*.mp4)</source>
        <translation>360度動画 (*.mp4)</translation>
    </message>
    <message>
        <source>Save to file failed!</source>
        <translation>ファイルに保存できませんでした。</translation>
    </message>
    <message>
        <source>Conversion fail!</source>
        <translation>変換に失敗しました。</translation>
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
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Please select the video folder</source>
        <translation>動画フォルダを選択してください</translation>
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
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>長さ</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日時</translation>
    </message>
    <message>
        <source>No Valid Video files.</source>
        <translation>有効な動画ファイルがありません。</translation>
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
        <translation>QUENDRA TRELLIQ について</translation>
    </message>
    <message>
        <source>Version : </source>
        <translation>バージョン : </translation>
    </message>
    <message>
        <source>Website : </source>
        <translation>ウェブサイト : </translation>
    </message>
    <message>
        <source>Copyright (C) Quendra Trelliq. All rights reserved.</source>
        <translation>Copyright (C) Quendra Trelliq. 無断転載を禁じます。</translation>
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
        <translation>このコンピューターは、最小解像度 2160x1080 の360度動画への変換に対応していません。</translation>
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
        <translation>地図</translation>
    </message>
    <message>
        <source>Map unavailable</source>
        <translation>地図を表示できません</translation>
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
        <translation>このファイルは壊れているため再生できません。</translation>
    </message>
    <message>
        <source>Save to file</source>
        <translation>ファイルに保存</translation>
    </message>
    <message>
        <source>360 Photo (*.jpg)</source>
        <translation>360度写真 (*.jpg)</translation>
    </message>
    <message>
        <source>The snapshot could not be saved.</source>
        <translation>スナップショットを保存できませんでした。</translation>
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
        <translation>動画を変換してYouTubeにアップロード</translation>
    </message>
    <message>
        <source>Switch
Account</source>
        <translation>Switch
Account</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Account : </source>
        <translation>アカウント : </translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Title : </source>
        <translation>タイトル : </translation>
    </message>
    <message>
        <source>Public</source>
        <translation>公開</translation>
    </message>
    <message>
        <source>Unlisted</source>
        <translation>限定公開</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>非公開</translation>
    </message>
    <message>
        <source>LOG IN</source>
        <translation>ログイン</translation>
    </message>
    <message>
        <source>START</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>0%</source>
        <translation>0%</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>完了</translation>
    </message>
    <message>
        <source>Save to file</source>
        <translation>ファイルに保存</translation>
    </message>
    <message>
        <source>360 Video (*.mp4)</source>
        <translation>360度動画 (*.mp4)</translation>
    </message>
    <message>
        <source>Save fail!</source>
        <translation>保存に失敗しました。</translation>
    </message>
    <message>
        <source>Conversion fail!</source>
        <translation>変換に失敗しました。</translation>
    </message>
    <message>
        <source>Upload to Youtube fail!</source>
        <translation>YouTubeへのアップロードに失敗しました。</translation>
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
