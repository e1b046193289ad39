<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>MainWindow</name>
    <message><source>QUENDRA TRELLIQ</source><translation>QUENDRA TRELLIQ</translation></message>
</context>
<context>
    <name>InformationDialog</name>
    <message><source>ABOUT QUENDRA TRELLIQ</source><translation>QUENDRA TRELLIQ について</translation></message>
    <message><source>Version : </source><translation>バージョン : </translation></message>
    <message><source>Website : </source><translation>ウェブサイト : </translation></message>
    <message><source>Copyright (C) Quendra Trelliq. All rights reserved.</source><translation>Copyright (C) Quendra Trelliq. 無断転載を禁じます。</translation></message>
</context>
</TS>
