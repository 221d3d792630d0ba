<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>AboutBox</name>
    <message>
        <source>バージョン情報</source>
        <translation>About Dirgauge</translation>
    </message>
    <message>
        <source>Dirsweep2.jsの結果を入力して表示します。&#x3000;ディスクスペースを大切に。</source>
        <translation>Shows the results of Dirsweep2.js. Take good care of your disk space.</translation>
    </message>
</context>
<context>
    <name>CompSettingsDialog</name>
    <message>
        <source>新たに追加されたフォルダ</source>
        <translation>Newly added folders</translation>
    </message>
    <message>
        <source>増加したフォルダ</source>
        <translation>Folders that grew</translation>
    </message>
    <message>
        <source>激増したフォルダ</source>
        <translation>Folders that grew a lot</translation>
    </message>
    <message>
        <source>減少したフォルダ</source>
        <translation>Folders that shrank</translation>
    </message>
    <message>
        <source>激減したフォルダ</source>
        <translation>Folders that shrank a lot</translation>
    </message>
    <message>
        <source>Dirgauge - 比較の設定</source>
        <translation>Dirgauge - Comparison Settings</translation>
    </message>
    <message>
        <source>%以上</source>
        <translation>% min</translation>
    </message>
    <message>
        <source>文字色</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ErrorGuard</name>
    <message>
        <source>予期しないエラーが発生しました。</source>
        <translation>An unexpected error occurred.</translation>
    </message>
</context>
<context>
    <name>FolderInfo</name>
    <message>
        <source>ドライブ	： </source>
        <translation>Drive	: </translation>
    </message>
    <message>
        <source>使用率	： </source>
        <translation>Used	: </translation>
    </message>
    <message>
        <source>フォルダ&#x3000;	： </source>
        <translation>Folder	: </translation>
    </message>
    <message>
        <source>作成日付&#x3000;	： </source>
        <translation>Created	: </translation>
    </message>
    <message>
        <source>更新日付&#x3000;	： </source>
        <translation>Modified	: </translation>
    </message>
    <message>
        <source>属性 (</source>
        <translation>Attributes (</translation>
    </message>
    <message>
        <source>)&#x3000;	： </source>
        <translation>)	: </translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source> - フォルダ情報のオフライン表示</source>
        <translation> - Offline Folder Report Viewer</translation>
    </message>
    <message>
        <source>指定できるファイル名は一つだけです。</source>
        <translation>Only one file name can be given.</translation>
    </message>
    <message>
        <source>ドロップできるファイルは一つだけです。</source>
        <translation>Only one file can be dropped.</translation>
    </message>
    <message>
        <source>フォルダ情報ファイルを開く</source>
        <translation>Open Folder Information File</translation>
    </message>
    <message>
        <source>全てのファイル</source>
        <translation>All Files</translation>
    </message>
    <message>
        <source>説明書が見つかりません。</source>
        <translation>The manual could not be found.</translation>
    </message>
    <message>
        <source>比較元のウィンドウと連動できないため、比較はこのウィンドウだけに表示します。<byte value="xd"/>理由: %1</source>
        <translation>The base file&apos;s window cannot be linked to this one, so the comparison is shown in this window only.<byte value="xd"/>Reason: %1</translation>
    </message>
    <message>
        <source>比較元の表示を待っています（Esc で中止）</source>
        <translation>Waiting for the base file&apos;s window (Esc cancels)</translation>
    </message>
    <message>
        <source>スキャンするフォルダを選ぶ</source>
        <translation>Choose the Folder to Scan</translation>
    </message>
    <message>
        <source>フォルダ情報ファイルの保存先</source>
        <translation>Save the Folder Information File As</translation>
    </message>
    <message>
        <source>フォルダをスキャンできませんでした。<byte value="xd"/></source>
        <translation>The folder could not be scanned.<byte value="xd"/></translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Dirgauge - 進行状況</source>
        <translation>Dirgauge - Progress</translation>
    </message>
    <message>
        <source>比較しています…</source>
        <translation>Comparing…</translation>
    </message>
    <message>
        <source>フォルダ数</source>
        <translation>Folders</translation>
    </message>
</context>
<context>
    <name>ScanProgressWindow</name>
    <message>
        <source>Dirgauge - スキャン中</source>
        <translation>Dirgauge - Scanning</translation>
    </message>
    <message>
        <source>スキャンしています… </source>
        <translation>Scanning… </translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>フォルダ %1&#x3000;ファイル %2&#x3000;%3</source>
        <translation>Folders %1   Files %2   %3</translation>
    </message>
    <message>
        <source>中止しています…</source>
        <translation>Stopping…</translation>
    </message>
</context>
<context>
    <name>ScanRunner</name>
    <message>
        <source>読めなかったフォルダやファイルが %1 件あります。レポートには読めた分だけを書きました。</source>
        <translation>%1 folders or files could not be read. The report holds what could be read.</translation>
    </message>
    <message>
        <source><byte value="xd"/>…ほか %1 件</source>
        <translation><byte value="xd"/>… and %1 more</translation>
    </message>
</context>
<context>
    <name>dg::diag</name>
    <message>
        <source>I/O エラー (%1)</source>
        <translation>I/O error (%1)</translation>
    </message>
    <message>
        <source>%1 のオープンエラーです。<byte value="xd"/>
デバッグの指定を取り消します。</source>
        <translation>%1 could not be opened.<byte value="xd"/>
Debug logging has been switched off.</translation>
    </message>
    <message>
        <source>ログファイル数が多すぎます。デバッグの指定を取り消します。</source>
        <translation>There are too many log files. Debug logging has been switched off.</translation>
    </message>
</context>
<context>
    <name>dg::settings</name>
    <message>
        <source>%1 に書き込めません</source>
        <translation>%1 cannot be written</translation>
    </message>
</context>
<context>
    <name>dg::texts</name>
    <message>
        <source>リストのインデックスが範囲を超えています (%1)</source>
        <translation>List index out of bounds (%1)</translation>
    </message>
    <message>
        <source>ファイル &quot;%1&quot;. %2 は開けません</source>
        <translation>File &quot;%1&quot; cannot be opened. %2</translation>
    </message>
    <message>
        <source>1 行が長すぎます (%1 バイト)</source>
        <translation>A line is too long (%1 bytes)</translation>
    </message>
    <message>
        <source>%1行目のサイズがエラーです。終了します。</source>
        <translation>The size on line %1 is not valid. The program ends.</translation>
    </message>
    <message>
        <source> - ファイルの内容を認識できません。</source>
        <translation> - The contents of the file are not recognised.</translation>
    </message>
    <message>
        <source>同じファイルは比較できません。</source>
        <translation>A file cannot be compared with itself.</translation>
    </message>
    <message>
        <source>異なるサイズのフォルダはありません。</source>
        <translation>No folder differs in size.</translation>
    </message>
    <message>
        <source>下方向に異なるサイズのフォルダはありません。</source>
        <translation>No folder further down differs in size.</translation>
    </message>
    <message>
        <source>上方向に異なるサイズのフォルダはありません。</source>
        <translation>No folder further up differs in size.</translation>
    </message>
    <message>
        <source> の情報</source>
        <translation> report</translation>
    </message>
    <message>
        <source> の情報と比較中</source>
        <translation> report (comparing)</translation>
    </message>
    <message>
        <source>比較中</source>
        <translation>Comparing</translation>
    </message>
    <message>
        <source>比較中&#x3000;同期</source>
        <translation>Comparing, synchronised</translation>
    </message>
    <message>
        <source>コンピュータ&#x3000;：&#x3000;</source>
        <translation>Computer: </translation>
    </message>
</context>
<context>
    <name>dg::ui::commands</name>
    <message>
        <source>開く...(&amp;O)</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>比較元を開く...(&amp;O)</source>
        <translation>&amp;Open Base File...</translation>
    </message>
    <message>
        <source>比較元を開く(&amp;C)...</source>
        <translation>Open Base File to &amp;Compare...</translation>
    </message>
    <message>
        <source>比較元を開く(&amp;Z)...</source>
        <translation>Open Base File (&amp;Z)...</translation>
    </message>
    <message>
        <source>比較元を開く</source>
        <translation>Open a base file to compare with</translation>
    </message>
    <message>
        <source>フォルダをスキャン...(&amp;S)</source>
        <translation>&amp;Scan Folder...</translation>
    </message>
    <message>
        <source>フォルダをスキャン</source>
        <translation>Scan a folder</translation>
    </message>
    <message>
        <source>比較元も終了(&amp;W)</source>
        <translation>Exit &amp;With Base Window</translation>
    </message>
    <message>
        <source>比較元も終了</source>
        <translation>Exit this window and the base file&apos;s window</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>情報(&amp;F)</source>
        <translation>&amp;Folder Details</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Folder details</translation>
    </message>
    <message>
        <source>下の異なるフォルダへ(&amp;D)</source>
        <translation>Next Changed Folder &amp;Down</translation>
    </message>
    <message>
        <source>下の異なるフォルダへ</source>
        <translation>Next changed folder down</translation>
    </message>
    <message>
        <source>上の異なるフォルダへ(&amp;U)</source>
        <translation>Next Changed Folder &amp;Up</translation>
    </message>
    <message>
        <source>上の異なるフォルダへ</source>
        <translation>Next changed folder up</translation>
    </message>
    <message>
        <source>比較の設定(&amp;C)</source>
        <translation>&amp;Comparison Settings</translation>
    </message>
    <message>
        <source>比較の設定</source>
        <translation>Comparison settings</translation>
    </message>
    <message>
        <source>比較同期モード(&amp;S)</source>
        <translation>&amp;Synchronised Comparison</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)</source>
        <translation>&amp;About Dirgauge</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About Dirgauge</translation>
    </message>
    <message>
        <source>デバッグ(&amp;Z)</source>
        <translation>Debug Log (&amp;Z)</translation>
    </message>
    <message>
        <source>デバッグ</source>
        <translation>Debug log</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>オプション(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
</context>
</TS>
