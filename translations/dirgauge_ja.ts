<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>dg::partner</name>
    <message>
        <source>cannot set the mode of partner folder %1: %2</source>
        <translation>連動用フォルダ %1 のモードを設定できません: %2</translation>
    </message>
    <message>
        <source>cannot create partner folder %1: %2</source>
        <translation>連動用フォルダ %1 を作成できません: %2</translation>
    </message>
    <message>
        <source>cannot examine partner folder %1: %2</source>
        <translation>連動用フォルダ %1 を調べられません: %2</translation>
    </message>
    <message>
        <source>partner folder %1 is not a folder</source>
        <translation>連動用フォルダ %1 はフォルダではありません</translation>
    </message>
    <message>
        <source>partner folder %1 belongs to another user (uid %2)</source>
        <translation>連動用フォルダ %1 は別のユーザーのものです (uid %2)</translation>
    </message>
    <message>
        <source>partner folder %1 is open to other users (mode %2)</source>
        <translation>連動用フォルダ %1 は他のユーザーにも開かれています (モード %2)</translation>
    </message>
    <message>
        <source>cannot listen on %1: %2</source>
        <translation>%1 で接続を待ち受けられません: %2</translation>
    </message>
</context>
<context>
    <name>dg::scan</name>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>standard output</source>
        <translation>標準出力</translation>
    </message>
    <message>
        <source>control characters in a folder name replaced: %1</source>
        <translation>フォルダ名の制御文字を置き換えました: %1</translation>
    </message>
    <message>
        <source>cannot read folder %1: %2</source>
        <translation>フォルダ %1 を読めません: %2</translation>
    </message>
</context>
<context>
    <name>dirgauge</name>
    <message>
        <source>unknown option %1 (dirgauge --help shows the usage)</source>
        <translation>不明なオプション %1 (使い方は dirgauge --help で表示されます)</translation>
    </message>
    <message>
        <source>no partner channel, this viewer works alone: %1</source>
        <translation>連動用の通信路を開けないため、このウィンドウは単独で動作します: %1</translation>
    </message>
</context>
<context>
    <name>dirgauge-report</name>
    <message>
        <source>--color needs auto, always or never</source>
        <translation>--color には auto、always、never のどれかを指定します</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 には値を指定します</translation>
    </message>
    <message>
        <source>--limits needs four whole numbers: U1,U2,D1,D2</source>
        <translation>--limits には四つの整数を指定します: U1,U2,D1,D2</translation>
    </message>
    <message>
        <source>--encoding needs utf-8 or shift-jis</source>
        <translation>--encoding には utf-8 か shift-jis を指定します</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>不明なオプション %1</translation>
    </message>
    <message>
        <source>unknown format %1</source>
        <translation>不明な形式 %1</translation>
    </message>
    <message>
        <source>no report file given</source>
        <translation>レポートファイルが指定されていません</translation>
    </message>
    <message>
        <source>only one report file can be given</source>
        <translation>指定できるレポートファイルは一つだけです</translation>
    </message>
    <message>
        <source>--encoding needs --format report</source>
        <translation>--encoding は --format report と一緒に指定します</translation>
    </message>
    <message>
        <source>--limits and --changed need --base</source>
        <translation>--limits と --changed は --base と一緒に指定します</translation>
    </message>
    <message>
        <source>the standard input can give only one report: FILE or --base</source>
        <translation>標準入力から読めるレポートは一つだけです: FILE か --base のどちらか</translation>
    </message>
    <message>
        <source>line %1 cannot be written in %2</source>
        <translation>%1 行目は %2 で書けません</translation>
    </message>
    <message>
        <source>cannot write the output: %1</source>
        <translation>出力を書き込めません: %1</translation>
    </message>
</context>
<context>
    <name>dirgauge-scan</name>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 には値を指定します</translation>
    </message>
    <message>
        <source>unknown form %1 (full or abbrev)</source>
        <translation>不明な形式 %1 (full か abbrev)</translation>
    </message>
    <message>
        <source>unknown encoding %1 (utf-8 or shift-jis)</source>
        <translation>不明なエンコーディング %1 (utf-8 か shift-jis)</translation>
    </message>
    <message>
        <source>--exclude needs a pattern</source>
        <translation>--exclude にはパターンを指定します</translation>
    </message>
    <message>
        <source>--threads needs a whole number from 1 to 1024</source>
        <translation>--threads には 1 から 1024 までの整数を指定します</translation>
    </message>
    <message>
        <source>-o needs a file name</source>
        <translation>-o にはファイル名を指定します</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>不明なオプション %1</translation>
    </message>
    <message>
        <source>no folder given</source>
        <translation>フォルダが指定されていません</translation>
    </message>
    <message>
        <source>--replace-unmappable needs --encoding shift-jis</source>
        <translation>--replace-unmappable は --encoding shift-jis と一緒に指定します</translation>
    </message>
    <message>
        <source>%1: not a folder</source>
        <translation>%1: フォルダではありません</translation>
    </message>
    <message>
        <source>control characters in a folder name replaced: %1</source>
        <translation>フォルダ名の制御文字を置き換えました: %1</translation>
    </message>
    <message>
        <source>&quot;&gt;&quot; at the start of a folder name replaced by &quot;%2&quot; (the abbreviated form reads &quot;&gt;&quot; as a mark): %1</source>
        <translation>フォルダ名の先頭の &quot;&gt;&quot; を &quot;%2&quot; に置き換えました (省略形式では &quot;&gt;&quot; は記号として読まれます): %1</translation>
    </message>
    <message>
        <source>... and %1 more</source>
        <translation>…ほか %1 件</translation>
    </message>
    <message>
        <source>folder name not writable in Shift-JIS: %1</source>
        <translation>Shift-JIS で書けないフォルダ名: %1</translation>
    </message>
    <message>
        <source>no report written; --replace-unmappable writes &quot;?&quot; for such characters</source>
        <translation>レポートは書きませんでした。--replace-unmappable を指定すると、そのような文字は &quot;?&quot; で書きます</translation>
    </message>
    <message>
        <source>%1 folder names written with &quot;?&quot; for characters Shift-JIS cannot hold</source>
        <translation>%1 個のフォルダ名で、Shift-JIS で書けない文字を &quot;?&quot; で書きました</translation>
    </message>
</context>
</TS>
