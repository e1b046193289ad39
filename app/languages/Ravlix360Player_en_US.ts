<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainWindow</name>
    <message><source>QUENDRA TRELLIQ</source><translation>QUENDRA TRELLIQ</translation></message>
</context>
<context>
    <name>InformationDialog</name>
    <message><source>ABOUT QUENDRA TRELLIQ</source><translation>ABOUT QUENDRA TRELLIQ</translation></message>
    <message><source>Version : </source><translation>Version : </translation></message>
    <message><source>Website : </source><translation>Website : </translation></message>
    <message><source>Copyright (C) Quendra Trelliq. All rights reserved.</source><translation>Copyright (C) Quendra Trelliq. All rights reserved.</translation></message>
</context>
</TS>
