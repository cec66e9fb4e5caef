<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ConditionPanel</name>
    <message>
        <source>条件</source>
        <translation>Condition</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>sec</translation>
    </message>
    <message>
        <source>追加する条件を指定します。
時間:次の操作に進むまでの時間を指定します。
即時:何も待たずに次の操作に進みます。
キー:単一または複数のキーを指定して、それが入力された時に次の操作に進みます。</source>
        <translation>Chooses the condition to add.
Time: waits the given time before the next operation.
At once: goes on to the next operation without waiting.
Key: waits until the given key or key combination is pressed, then goes on.</translation>
    </message>
    <message>
        <source>右のメニューで設定した条件を追加します。</source>
        <translation>Adds the chosen condition.</translation>
    </message>
    <message>
        <source>設定中の条件です。</source>
        <translation>The condition of this page.</translation>
    </message>
    <message>
        <source>次の操作に進むまでの時間を指定します。</source>
        <translation>How long to wait before the next operation.</translation>
    </message>
</context>
<context>
    <name>HoverHideWindow</name>
    <message>
        <source>マウスポインターの座標を取得中
Ctrl+Alt+Gを押してください。</source>
        <translation>Picking the pointer position
Press Ctrl+Alt+G.</translation>
    </message>
</context>
<context>
    <name>OperationPanel</name>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>テスト</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>sec</translation>
    </message>
    <message>
        <source>取得</source>
        <translation>Pick</translation>
    </message>
    <message>
        <source>マウスポインターのX座標です。
自分で入力するか「取得」ボタンで簡単に取得できます。</source>
        <translation>The X coordinate of the pointer.
Type it, or pick it with the Pick button.</translation>
    </message>
    <message>
        <source>マウスポインターのY座標です。
自分で入力するか「取得」ボタンで簡単に取得できます。</source>
        <translation>The Y coordinate of the pointer.
Type it, or pick it with the Pick button.</translation>
    </message>
    <message>
        <source>マウスポインターの座標を簡単に取得できます。</source>
        <translation>Picks the pointer position from the screen.</translation>
    </message>
    <message>
        <source>追加する操作を指定します。
なし:何も行われません、条件のみを指定する場合に使用します。
クリック:時間を指定してクリックします。
マウスポインター:マウスポインターを指定の座標に移動します。
スムーズムーブ:実行時のマウスポインターから指定の座標に時間を指定してスムーズに移動します。
キー:時間を指定して単一または複数のキーを入力します。
入力:1文字当たりの時間を指定して入力します。（日本語対応）
「クリック」「スムーズムーブ」「キー」は操作が実行中でも次の操作に進みます、条件で時間を指定して調整してください。
操作を追加す場合は右の「追加」ボタンを押してください。</source>
        <translation>Chooses the operation to add.
None: does nothing; use it for a page that only has a condition.
Click: clicks, holding the button for the given time.
Pointer: moves the pointer to the given position.
Smooth move: glides the pointer from where it is to the given position over the given time.
Key: presses a key or key combination for the given time.
Type: types a text, taking the given time per character (Japanese too).
Click, Smooth move and Key go on to the next operation while they still run; use a time condition to wait for them.
To add the operation, press the Add button on the right.</translation>
    </message>
    <message>
        <source>右のメニューで設定した操作を追加します。</source>
        <translation>Adds the chosen operation.</translation>
    </message>
    <message>
        <source>設定している座標にマウスポインターを移動します。</source>
        <translation>Moves the pointer to the set position.</translation>
    </message>
    <message>
        <source>設定中の操作です。</source>
        <translation>The operation of this page.</translation>
    </message>
    <message>
        <source>入力する文章を設定します。（日本語対応）</source>
        <translation>The text to type (Japanese too).</translation>
    </message>
    <message>
        <source>クリックの種類を右か左で設定します。</source>
        <translation>Which button to click: left or right.</translation>
    </message>
    <message>
        <source>時間を指定します。
操作によって意味が変わります。
クリック:クリックする時間を指定します。
スムーズムーブ:マウスポインターが指定した座標に着くまでにかかる時間を指定します。
キー:キーを入力する時間を指定します。
入力:1文字当たりを入力するのにかかる時間を指定します。
単位は秒です。</source>
        <translation>The time, which means something different for each operation.
Click: how long the button is held.
Smooth move: how long the pointer takes to reach the position.
Key: how long the keys are held.
Type: how long each character takes.
In seconds.</translation>
    </message>
</context>
<context>
    <name>PagePanel</name>
    <message>
        <source>ページ</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>ペースト</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>前のページに戻ります。</source>
        <translation>Goes back to the previous page.</translation>
    </message>
    <message>
        <source>次のページに進みます。</source>
        <translation>Goes on to the next page.</translation>
    </message>
    <message>
        <source>現在のページを削除します。</source>
        <translation>Deletes the current page.</translation>
    </message>
    <message>
        <source>すべてのページの数と現在のページです。</source>
        <translation>The current page and the number of pages.</translation>
    </message>
    <message>
        <source>押したページに飛びます、「+」を押すと「+」の位置にページを追加できます。</source>
        <translation>Click a page to go to it; click &quot;+&quot; to add a page there.</translation>
    </message>
    <message>
        <source>現在のページをコピーします。</source>
        <translation>Copies the current page.</translation>
    </message>
    <message>
        <source>コピーしたのページをペーストします。</source>
        <translation>Pastes the copied page over the current one.</translation>
    </message>
</context>
<context>
    <name>RecordDialog</name>
    <message>
        <source>記録設定</source>
        <translation>Recording Settings</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <source>開始までの秒数:</source>
        <translation>Start after:</translation>
    </message>
    <message>
        <source>マウスの動きも記録する</source>
        <translation>Record pointer movements too</translation>
    </message>
    <message>
        <source>終了コマンド（%1）またはトレイのアイコンで記録を終了します。</source>
        <translation>The stop keys (%1) or the tray icon end the recording.</translation>
    </message>
    <message>
        <source>トレイのアイコンで記録を終了します。</source>
        <translation>The tray icon ends the recording.</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ReportDialog</name>
    <message>
        <source>バグ報告</source>
        <translation>Report a Bug</translation>
    </message>
    <message>
        <source>バグ:</source>
        <translation>Bug:</translation>
    </message>
</context>
<context>
    <name>ReportDialog2</name>
    <message>
        <source>改善案報告</source>
        <translation>Suggest an Improvement</translation>
    </message>
    <message>
        <source>改善案:</source>
        <translation>Suggestion:</translation>
    </message>
</context>
<context>
    <name>ReportDialogBase</name>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>送信エラー</source>
        <translation>Sending Failed</translation>
    </message>
    <message>
        <source>フォームの送信に失敗しました:
%1</source>
        <translation>The form could not be sent:
%1</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>内容を入力してください。</source>
        <translation>Please write something first.</translation>
    </message>
    <message>
        <source>送信中...</source>
        <translation>Sending...</translation>
    </message>
    <message>
        <source>しばらくお待ちください...</source>
        <translation>Please wait...</translation>
    </message>
    <message>
        <source>送信完了</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>レポートを送信しました。
ありがとうございました。</source>
        <translation>Your report has been sent.
Thank you!</translation>
    </message>
    <message>
        <source>%1秒以内にサーバーから応答がなかったため、送信を中止しました。</source>
        <translation>The server did not answer within %1 seconds, so sending was cancelled.</translation>
    </message>
</context>
<context>
    <name>RunDialog</name>
    <message>
        <source>実行設定</source>
        <translation>Run Settings</translation>
    </message>
    <message>
        <source>開始までの秒数:</source>
        <translation>Start after:</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>sec</translation>
    </message>
    <message>
        <source>実行回数:</source>
        <translation>Repeat:</translation>
    </message>
    <message>
        <source>回</source>
        <translation>times</translation>
    </message>
    <message>
        <source>終了コマンドまで繰り返す</source>
        <translation>Repeat until the stop keys</translation>
    </message>
    <message>
        <source>終了コマンド:</source>
        <translation>Stop keys:</translation>
    </message>
    <message>
        <source>単一または複数キーを押してください</source>
        <translation>Press a key or key combination</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>終了コマンドを設定しない</source>
        <translation>No stop keys</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>フック失敗</source>
        <translation>Capture failed</translation>
    </message>
    <message>
        <source>このメッセージを無効化することはできません。</source>
        <translation>This warning cannot be turned off.</translation>
    </message>
    <message>
        <source>終了コマンドが設定されていません。
タスクバーの右側にあるシステムトレイもしくは
指定回数でのみ終了可能です。
危険ですが実行しますか？</source>
        <translation>No stop keys are set.
The run can then only be stopped from the system tray
or by reaching its number of repeats.
This is risky. Run anyway?</translation>
    </message>
    <message>
        <source>次回からは表示されません。</source>
        <translation>This message will not be shown again.</translation>
    </message>
    <message>
        <source>現在の停止コマンドは「%1」です。
このコマンドは変更可能です。
これを入力することでいかなる時でも
0.2秒以内で実行中のプロジェクトを停止可能です。
忘れないで下さい。</source>
        <translation>The stop keys are &quot;%1&quot;.
You can change them.
Pressing them stops a running project
at any time within 0.2 seconds.
Please remember them.</translation>
    </message>
    <message>
        <source>このデスクトップ（Wayland）ではキーの組み合わせで停止できません。トレイのアイコン、停止ウィンドウ、または orvane --stop で停止してください。</source>
        <translation>On this desktop (Wayland), key combinations cannot stop a run. Stop it from the tray icon, the stop window or with orvane --stop.</translation>
    </message>
</context>
<context>
    <name>RunIndicators</name>
    <message>
        <source>記録を終了</source>
        <translation>Stop recording</translation>
    </message>
</context>
<context>
    <name>RunReportDialog</name>
    <message>
        <source>最後まで実行しました</source>
        <translation>finished</translation>
    </message>
    <message>
        <source>停止しました</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>入力を送れなかったため中止しました</source>
        <translation>cancelled because input could not be sent</translation>
    </message>
    <message>
        <source>前回の実行結果</source>
        <translation>Last Run</translation>
    </message>
    <message>
        <source>ページ</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>回</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>予定 (ms)</source>
        <translation>Planned (ms)</translation>
    </message>
    <message>
        <source>実際 (ms)</source>
        <translation>Actual (ms)</translation>
    </message>
    <message>
        <source>遅れ (ms)</source>
        <translation>Late (ms)</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>条件</source>
        <translation>Condition</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>実行結果を読み込めませんでした：%1</source>
        <translation>The run report could not be read: %1</translation>
    </message>
    <message>
        <source>「%1」: %2。%3 ページ、最大の遅れ %4 ms。</source>
        <translation>&quot;%1&quot;: %2. %3 pages, at most %4 ms late.</translation>
    </message>
    <message>
        <source>まだ実行結果がありません。実行すると、ここに各ページの時刻が表示されます。</source>
        <translation>There is no run yet. After a run, the timing of each page is shown here.</translation>
    </message>
    <message>
        <source>○</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>×</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>TermDialog</name>
    <message>
        <source>オルヴェイン Free</source>
        <translation>Orvane Free</translation>
    </message>
    <message>
        <source>

（ファイルが大きすぎるため、先頭の%1 MiBだけを表示しています。）</source>
        <translation>

(The file is too large: only its first %1 MiB are shown.)</translation>
    </message>
</context>
<context>
    <name>cli</name>
    <message>
        <source>エディターを開かずにプロジェクトを実行します。</source>
        <translation>Run the project without opening the editor.</translation>
    </message>
    <message>
        <source>プロジェクトを読み込み、ページごとの内容と修復点を表示します（実行しません）。</source>
        <translation>Read the project and print each page and every repair (runs nothing).</translation>
    </message>
    <message>
        <source>実行回数（--run と共に）。</source>
        <translation>Number of runs (with --run).</translation>
    </message>
    <message>
        <source>停止されるまで繰り返します（--run と共に）。</source>
        <translation>Repeat until stopped (with --run).</translation>
    </message>
    <message>
        <source>実行したページごとの予定時刻・実際の時刻を JSON で書き出します。</source>
        <translation>Write the planned and actual time of each page run as JSON.</translation>
    </message>
    <message>
        <source>このヘルプを表示します。</source>
        <translation>Show this help.</translation>
    </message>
    <message>
        <source>バージョンを表示します。</source>
        <translation>Show the version.</translation>
    </message>
    <message>
        <source>オルヴェイン Free: 入力の自動操作</source>
        <translation>Orvane Free: input automation</translation>
    </message>
    <message>
        <source>開く、または実行するプロジェクト。</source>
        <translation>The project to open or run.</translation>
    </message>
    <message>
        <source>不明なオプションです: %1</source>
        <translation>Unknown option: %1</translation>
    </message>
    <message>
        <source>プロジェクトは一つだけ指定してください: %1</source>
        <translation>Give only one project: %1</translation>
    </message>
    <message>
        <source>プロジェクトファイル（.cmdat）を指定してください。</source>
        <translation>Give a project file (.cmdat).</translation>
    </message>
    <message>
        <source>--repeat と --endless は同時に指定できません。</source>
        <translation>--repeat and --endless cannot be used together.</translation>
    </message>
    <message>
        <source>--repeat には 1 から 9999 までの整数を指定してください: %1</source>
        <translation>--repeat takes a whole number from 1 to 9999: %1</translation>
    </message>
    <message>
        <source>--delay には 0 から 3600 までの秒数（整数）を指定してください: %1</source>
        <translation>--delay takes whole seconds from 0 to 3600: %1</translation>
    </message>
    <message>
        <source>--stop のキーの組み合わせを読めません: %1</source>
        <translation>Cannot read the key combination of --stop: %1</translation>
    </message>
    <message>
        <source>使い方:</source>
        <translation>Usage:</translation>
    </message>
    <message>
        <source>
オプション:
</source>
        <translation>
Options:
</translation>
    </message>
    <message>
        <source>
引数:
</source>
        <translation>
Arguments:
</translation>
    </message>
    <message>
        <source>オルヴェイン Free %1
</source>
        <translation>Orvane Free %1
</translation>
    </message>
    <message>
        <source>使い方は --help で表示できます。</source>
        <translation>See --help for usage.</translation>
    </message>
    <message>
        <source>画面に接続できないため、実行できません。</source>
        <translation>Cannot run: there is no connection to the display.</translation>
    </message>
    <message>
        <source>画面に接続できないため、エディターを開けません。</source>
        <translation>Cannot open the editor: there is no connection to the display.</translation>
    </message>
    <message>
        <source>デスクトップ（X11 または Wayland）の中で起動してください。DISPLAY が設定されていないか、その画面に接続できません。</source>
        <translation>Start it from within a desktop (X11 or Wayland). DISPLAY is not set, or its display cannot be reached.</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>「%1」</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <source>%1 文字</source>
        <translation>%1 characters</translation>
    </message>
    <message>
        <source>: %1 ページ</source>
        <translation>: %1 pages</translation>
    </message>
    <message>
        <source>警告: %1 ページ目: </source>
        <translation>Warning: page %1: </translation>
    </message>
    <message>
        <source>注意: デスクトップに接続できないため、マウスポインターの移動先は確かめていません。</source>
        <translation>Note: there is no connection to the desktop, so pointer targets were not checked.</translation>
    </message>
    <message>
        <source>修復: </source>
        <translation>Repaired: </translation>
    </message>
    <message>
        <source>%1: %2 ページ目のキー条件「%3」は終了コマンドと同じです。押すと実行が止まり、次のページへ進めません。</source>
        <translation>%1: the key condition &quot;%3&quot; of page %2 is the stop keys. Pressing it stops the run, so the page can never be passed.</translation>
    </message>
    <message>
        <source>操作を記録して新しいプロジェクトとして保存します。</source>
        <translation>Record what you do and save it as a new project.</translation>
    </message>
    <message>
        <source>マウスポインターの動きも記録します（--record と共に）。</source>
        <translation>Also record pointer movements (with --record).</translation>
    </message>
    <message>
        <source>開始までの秒数（--run、--record と共に）。</source>
        <translation>Seconds before the start (with --run, --record).</translation>
    </message>
    <message>
        <source>停止コマンド。例: Ctrl+Alt+S または 83,3（--run、--record、--check と共に）。
単独で指定すると、進行中の実行をすべて停止します。</source>
        <translation>Stop keys, e.g. Ctrl+Alt+S or 83,3 (with --run, --record, --check).
Alone, stop every run in progress.</translation>
    </message>
    <message>
        <source>--run、--record、--check は同時に指定できません。</source>
        <translation>Only one of --run, --record and --check can be used.</translation>
    </message>
    <message>
        <source>--repeat、--endless、--report は --run と共に指定してください。</source>
        <translation>--repeat, --endless and --report need --run.</translation>
    </message>
    <message>
        <source>--delay は --run または --record と共に指定してください。</source>
        <translation>--delay needs --run or --record.</translation>
    </message>
    <message>
        <source>--moves は --record と共に指定してください。</source>
        <translation>--moves needs --record.</translation>
    </message>
    <message>
        <source>--stop は --run、--record または --check と共に指定してください。</source>
        <translation>--stop needs --run, --record or --check.</translation>
    </message>
    <message>
        <source>
終了コード:
  0  実行が最後まで終わった（--check では読み込めた）
  1  利用者が停止した
  2  引数やファイルが正しくない（何も実行していない）
  3  入力を送れなかった（画面に接続できない場合を含む）
--record は記録を保存できたとき 0、引数や書き込めないファイルのとき 2 で終わります。
--stop を単独で指定した場合: 0 実行を停止した、1 進行中の実行はなかった
</source>
        <translation>
Exit codes:
  0  the run finished (--check: the file was read)
  1  stopped by the user
  2  bad arguments or file (nothing was run)
  3  input could not be sent (including no connection to the display)
--record exits 0 when the recording was saved, 2 for bad arguments or a file that cannot be written.
--stop alone: 0 a run was stopped, 1 no run was in progress
</translation>
    </message>
    <message>
        <source>このファイルには書き込めません。</source>
        <translation>This file cannot be written.</translation>
    </message>
    <message>
        <source>進行中の実行はありません。</source>
        <translation>No run is in progress.</translation>
    </message>
    <message>
        <source>画面に接続できないため、記録できません。</source>
        <translation>Cannot record: there is no connection to the display.</translation>
    </message>
</context>
<context>
    <name>dialogs</name>
    <message>
        <source>（未設定）</source>
        <translation>(not set)</translation>
    </message>
    <message>
        <source>送信先のアドレスが安全な接続（HTTPS）ではないため、使用できません。
%1</source>
        <translation>The address does not use a secure connection (HTTPS), so it cannot be used.
%1</translation>
    </message>
</context>
<context>
    <name>editor</name>
    <message>
        <source>単一または複数キーを押してください</source>
        <translation>Press a key or key combination</translation>
    </message>
    <message>
        <source>（終了コマンド）</source>
        <translation> (stop keys)</translation>
    </message>
    <message>
        <source>終了コマンドと同じキーです。実行中に押すと実行が止まり、次のページへ進めません。</source>
        <translation>These are the stop keys. Pressing them during a run stops it, so the page can never be passed.</translation>
    </message>
    <message>
        <source>座標を取得したい位置をクリックしてください（Esc または右クリックでキャンセル）</source>
        <translation>Click the position to pick (Esc or a right click cancels)</translation>
    </message>
</context>
<context>
    <name>model</name>
    <message>
        <source>無効なキー</source>
        <translation>Invalid key</translation>
    </message>
    <message>
        <source>%1ページ目: 空の操作を「なし」にしました</source>
        <translation>Page %1: an empty operation became &quot;None&quot;</translation>
    </message>
    <message>
        <source>%1ページ目: 足りない操作の設定を既定値で補いました</source>
        <translation>Page %1: missing operation settings were filled with defaults</translation>
    </message>
    <message>
        <source>%1ページ目: 空の条件を「時間 0.1秒」にしました</source>
        <translation>Page %1: an empty condition became &quot;Time 0.1 s&quot;</translation>
    </message>
    <message>
        <source>%1ページ目: 足りない条件の設定を既定値で補いました</source>
        <translation>Page %1: missing condition settings were filled with defaults</translation>
    </message>
    <message>
        <source>操作 %1 件と条件 %2 件の数が合わないため、新しいページで補いました</source>
        <translation>%1 operations and %2 conditions did not match, so new pages were added</translation>
    </message>
    <message>
        <source>ページがないため、新しいページを1つ追加しました</source>
        <translation>There were no pages, so one new page was added</translation>
    </message>
    <message>
        <source>ページが多すぎます（100,000 ページまで）。</source>
        <translation>Too many pages (100,000 at most).</translation>
    </message>
    <message>
        <source>新規プロジェクト</source>
        <translation>New Project</translation>
    </message>
    <message>
        <source>JSON 解析エラー: %1</source>
        <translation>JSON error: %1</translation>
    </message>
    <message>
        <source>ファイルの形式が正しくありません。</source>
        <translation>The file format is not valid.</translation>
    </message>
    <message>
        <source>保存先が設定されていません。</source>
        <translation>No file to save to is set.</translation>
    </message>
    <message>
        <source>ファイルを開けませんでした:%1</source>
        <translation>Could not open the file: %1</translation>
    </message>
    <message>
        <source>ファイルへの書き込みに失敗しました：%1</source>
        <translation>Could not write the file: %1</translation>
    </message>
    <message>
        <source>読み込むファイルが設定されていません。</source>
        <translation>No file to open is set.</translation>
    </message>
    <message>
        <source>ファイルを開けませんでした：%1</source>
        <translation>Could not open the file: %1</translation>
    </message>
    <message>
        <source>通常のファイルではないため読み込めません（フォルダー、名前付きパイプ、デバイスなど）：%1</source>
        <translation>Not a regular file (a folder, named pipe, device or the like), so it cannot be read: %1</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます（64 MiB まで）：%1</source>
        <translation>The file is too large (64 MiB at most): %1</translation>
    </message>
</context>
<context>
    <name>model::kind</name>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>クリック</source>
        <translation>Click</translation>
    </message>
    <message>
        <source>マウスポインター</source>
        <translation>Pointer</translation>
    </message>
    <message>
        <source>スムーズムーブ</source>
        <translation>Smooth move</translation>
    </message>
    <message>
        <source>キー</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>入力</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>時間</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>即時</source>
        <translation>At once</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
</context>
<context>
    <name>orvane</name>
    <message>
        <source>オルヴェイン Free</source>
        <translation>Orvane Free</translation>
    </message>
    <message>
        <source>このデスクトップでは入力の自動操作を利用できません。
プロジェクトの作成と保存はできますが、実行はできません。</source>
        <translation>This desktop does not allow input automation.
You can create and save projects, but not run them.</translation>
    </message>
    <message>
        <source>新しいプロジェクトを作成</source>
        <translation>Create a New Project</translation>
    </message>
    <message>
        <source>プロジェクトを読み込む</source>
        <translation>Open a Project</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>最終確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>プロジェクトが保存されていません。
保存して終了しますか？</source>
        <translation>The project has not been saved.
Save it before quitting?</translation>
    </message>
    <message>
        <source>保存して終了</source>
        <translation>Save and Quit</translation>
    </message>
    <message>
        <source>保存せずに終了</source>
        <translation>Quit without Saving</translation>
    </message>
    <message>
        <source>%1ページ目を削除しますか？</source>
        <translation>Delete page %1?</translation>
    </message>
    <message>
        <source>%1 ページ目を置き換えますか？</source>
        <translation>Replace page %1?</translation>
    </message>
    <message>
        <source>プロジェクトが保存されていません。
新規作成しますか？</source>
        <translation>The project has not been saved.
Start a new one anyway?</translation>
    </message>
    <message>
        <source>キーフックに失敗</source>
        <translation>Key capture failed</translation>
    </message>
    <message>
        <source>座標の取得</source>
        <translation>Pick Position</translation>
    </message>
    <message>
        <source>Ctrl+Alt+G が他のプログラムに使われているため、座標を取得できません。</source>
        <translation>Ctrl+Alt+G is taken by another program, so the position cannot be picked.</translation>
    </message>
    <message>
        <source>保存エラー</source>
        <translation>Save Error</translation>
    </message>
    <message>
        <source>読み込みエラー</source>
        <translation>Open Error</translation>
    </message>
    <message>
        <source>
ほか %1 件</source>
        <translation>
and %1 more</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>%1 は既に存在します。
置き換えますか？</source>
        <translation>%1 already exists.
Replace it?</translation>
    </message>
    <message>
        <source>%1 が見つかりません。
最近使ったファイルから削除しました。</source>
        <translation>%1 was not found.
It was removed from the recent files.</translation>
    </message>
    <message>
        <source>プロジェクトが保存されていません。
新しいプロジェクトを読み込みますか？</source>
        <translation>The project has not been saved.
Open another project anyway?</translation>
    </message>
    <message>
        <source>コマンドデータを読み込み</source>
        <translation>Open Command Data</translation>
    </message>
    <message>
        <source>ファイルの一部が壊れていたため、修復して読み込みました。
保存するまでファイルは修復前のままです。

%1</source>
        <translation>Part of the file was damaged; it was repaired as it was opened.
The file itself stays as it was until you save.

%1</translation>
    </message>
    <message>
        <source>ファイルの修復</source>
        <translation>File Repaired</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>新規作成</source>
        <translation>New</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>上書き保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>最近使ったファイル</source>
        <translation>Recent Files</translation>
    </message>
    <message>
        <source>前回の実行結果</source>
        <translation>Last Run</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>報告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>バグを報告</source>
        <translation>Report a Bug</translation>
    </message>
    <message>
        <source>改善案を報告</source>
        <translation>Suggest an Improvement</translation>
    </message>
    <message>
        <source>返信が必要な場合</source>
        <translation>Contact Us for a Reply</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ファイルを保存するか確認する</source>
        <translation>Confirm Unsaved Changes</translation>
    </message>
    <message>
        <source>ページにペーストするか確認する</source>
        <translation>Ask Before Pasting over a Page</translation>
    </message>
    <message>
        <source>ページを削除するか確認する</source>
        <translation>Ask Before Deleting a Page</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>表示言語は次回の起動から切り替わります。</source>
        <translation>The new language takes effect the next time the program starts.</translation>
    </message>
    <message>
        <source>バージョン</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>バージョン：1.0
時間：2026年4月9日0時0分</source>
        <translation>Version: 1.0
Date: April 9, 2026, 0:00</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ヘルプモード</source>
        <translation>Help Mode</translation>
    </message>
    <message>
        <source>使い方を質問する</source>
        <translation>Ask How to Use It</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>More</translation>
    </message>
    <message>
        <source>利用規約を見る</source>
        <translation>Terms of Use (Japanese)</translation>
    </message>
    <message>
        <source>オープンソースソフトウェアに関する告知を見る</source>
        <translation>Open-Source Software Notice (Japanese)</translation>
    </message>
    <message>
        <source>Qtライブラリの差替え又は再インストールに関する情報を見る</source>
        <translation>Replacing or Reinstalling the Qt Libraries (Japanese)</translation>
    </message>
    <message>
        <source>LGPLv3のライセンス文章を見る</source>
        <translation>LGPLv3 License Text</translation>
    </message>
    <message>
        <source>現在のプロジェクトを実行します。</source>
        <translation>Runs the current project.</translation>
    </message>
    <message>
        <source>はじめまして</source>
        <translation>Welcome</translation>
    </message>
    <message>
        <source>ダウンロードありがとうございます。
現在はヘルプモードがONになっています。
意味を知りたいボタンや文字などにカーソルを合わせると説明が表示されます。
説明を表示しないようにするにはメニューバーの「ヘルプ」で設定できます。</source>
        <translation>Thank you for downloading.
Help mode is on: rest the pointer on a button or text to see what it does.
To turn the explanations off, use the Help menu.</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>ブラウザを起動します。
続行しますか？</source>
        <translation>This opens your web browser.
Continue?</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>上へ移動</source>
        <translation>Move Up</translation>
    </message>
    <message>
        <source>下へ移動</source>
        <translation>Move Down</translation>
    </message>
    <message>
        <source>プロジェクトの復元</source>
        <translation>Restore Project</translation>
    </message>
    <message>
        <source>前回の終了時に保存されていなかったプロジェクトがあります。
復元しますか？

%1</source>
        <translation>A project was left unsaved when the program last ended.
Restore it?

%1</translation>
    </message>
    <message>
        <source>復元する</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>破棄する</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>このデスクトップでは入力の自動操作を利用できません。</source>
        <translation>This desktop does not allow input automation.</translation>
    </message>
    <message>
        <source>別の実行（orvane --run）が進行中です。終わってからもう一度実行してください。</source>
        <translation>Another run (orvane --run) is in progress. Try again when it has finished.</translation>
    </message>
    <message>
        <source>レポートを書き込めませんでした: %1</source>
        <translation>Could not write the report: %1</translation>
    </message>
    <message>
        <source>入力を送れませんでした</source>
        <translation>Input Not Sent</translation>
    </message>
    <message>
        <source>
実行を中止しました。</source>
        <translation>
The run was cancelled.</translation>
    </message>
    <message>
        <source>この Wayland コンポジターは入力の合成を受け付けません（仮想キーボードと仮想ポインターのプロトコルがなく、X11 の画面もありません）。</source>
        <translation>This Wayland compositor does not accept synthetic input (it lacks the virtual keyboard and virtual pointer protocols, and there is no X11 display).</translation>
    </message>
    <message>
        <source>このデスクトップ（Wayland）では、入力は X11（XWayland）のウィンドウにだけ届きます。</source>
        <translation>On this desktop (Wayland), input reaches only X11 (XWayland) windows.</translation>
    </message>
    <message>
        <source>このデスクトップではキーの組み合わせで停止できません。orvane --stop で停止してください。</source>
        <translation>Key combinations cannot stop a run on this desktop. Stop it with orvane --stop.</translation>
    </message>
    <message>
        <source>このデスクトップでは操作を記録できません。</source>
        <translation>Recording is not possible on this desktop.</translation>
    </message>
    <message>
        <source>記録…</source>
        <translation>Record…</translation>
    </message>
    <message>
        <source>記録</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>操作が記録されなかったため、ページは追加されませんでした。</source>
        <translation>Nothing was recorded, so no pages were added.</translation>
    </message>
</context>
<context>
    <name>panels</name>
    <message>
        <source>このデスクトップ（Wayland）では、アプリケーションがデスクトップ全体のキーを監視できないため使えません。</source>
        <translation>Not available on this desktop (Wayland): applications cannot watch the keys of the whole desktop.</translation>
    </message>
    <message>
        <source>このデスクトップ（Wayland）では、アプリケーションがキーボードを横取りできないため、キーを登録できません。</source>
        <translation>Keys cannot be set on this desktop (Wayland): applications cannot take over the keyboard.</translation>
    </message>
</context>
<context>
    <name>run</name>
    <message>
        <source>マウスポインターの移動先 (%1, %2) はどのモニターの上にもありません（画面の範囲: (%3, %4)〜(%5, %6)</source>
        <translation>The pointer target (%1, %2) is on no monitor (screen area: (%3, %4) to (%5, %6)</translation>
    </message>
    <message>
        <source>、モニター %1 台</source>
        <translation>, %1 monitors</translation>
    </message>
    <message>
        <source>）。</source>
        <translation>).</translation>
    </message>
    <message>
        <source>マウスポインターを (%1, %2) へ動かせませんでした。</source>
        <translation>Could not move the pointer to (%1, %2).</translation>
    </message>
    <message>
        <source>%1 ページ目: </source>
        <translation>Page %1: </translation>
    </message>
    <message>
        <source>左クリックを送れませんでした。</source>
        <translation>Could not send the left click.</translation>
    </message>
    <message>
        <source>右クリックを送れませんでした。</source>
        <translation>Could not send the right click.</translation>
    </message>
    <message>
        <source>キー「%1」を送れませんでした。</source>
        <translation>Could not send the key &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>入力の %1 文字目から先（全 %2 文字）を送れませんでした。</source>
        <translation>Could not type the text from character %1 on (of %2).</translation>
    </message>
</context>
<context>
    <name>runui</name>
    <message>
        <source>「%1」を終了</source>
        <translation>Stop &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>settings</name>
    <message>
        <source>設定ファイルが通常のファイルではないため、既定の設定を使います：%1</source>
        <translation>The configuration file is not a regular file; using the defaults: %1</translation>
    </message>
    <message>
        <source>設定ファイルが大きすぎるため（1 MiB まで）、既定の設定を使います：%1</source>
        <translation>The configuration file is too large (1 MiB at most); using the defaults: %1</translation>
    </message>
</context>
</TS>
