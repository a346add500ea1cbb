<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Canvas</name>
    <message>
        <source>屏幕画布</source>
        <translation>Screen canvas</translation>
    </message>
</context>
<context>
    <name>DesignerWindow</name>
    <message>
        <source>布局文件 (*.toml)|*.toml|All Files(*.*)|*.*</source>
        <translation>Layout files (*.toml)|*.toml|All Files(*.*)|*.*</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>撤销(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>重做(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>粘贴(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>再制一份(&amp;D)</source>
        <translation>&amp;Duplicate</translation>
    </message>
    <message>
        <source>删除(&amp;L)</source>
        <translation>De&amp;lete</translation>
    </message>
    <message>
        <source>上移一层</source>
        <translation>Bring forward</translation>
    </message>
    <message>
        <source>下移一层</source>
        <translation>Send backward</translation>
    </message>
    <message>
        <source>网格(&amp;G)</source>
        <translation>&amp;Grid</translation>
    </message>
    <message>
        <source>标尺(&amp;R)</source>
        <translation>&amp;Rulers</translation>
    </message>
    <message>
        <source>实时应用(&amp;L)</source>
        <translation>&amp;Live apply</translation>
    </message>
    <message>
        <source>每次编辑完成后立即把布局应用到设备</source>
        <translation>Apply the layout to the device after every edit</translation>
    </message>
    <message>
        <source>%1 倍</source>
        <translation>%1×</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新建(&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>打开(&amp;O)…</source>
        <translation>&amp;Open…</translation>
    </message>
    <message>
        <source>最近打开的文件</source>
        <translation>Recent files</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>另存为(&amp;A)…</source>
        <translation>Save &amp;as…</translation>
    </message>
    <message>
        <source>导出PNG(&amp;E)…</source>
        <translation>&amp;Export PNG…</translation>
    </message>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>视图(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>视频画面：测试图</source>
        <translation>Video picture: test card</translation>
    </message>
    <message>
        <source>视频画面：选择图片…</source>
        <translation>Video picture: choose a picture…</translation>
    </message>
    <message>
        <source>十字线文件…</source>
        <translation>Crosshair file…</translation>
    </message>
    <message>
        <source>设备(&amp;D)</source>
        <translation>&amp;Device</translation>
    </message>
    <message>
        <source>连接设备(&amp;C)</source>
        <translation>&amp;Connect device</translation>
    </message>
    <message>
        <source>应用到设备(&amp;A)</source>
        <translation>&amp;Apply to device</translation>
    </message>
    <message>
        <source>设为开机画面(&amp;S)…</source>
        <translation>Make &amp;start-up image…</translation>
    </message>
    <message>
        <source>语言(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source> 型号：</source>
        <translation> Model: </translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source> 串口：</source>
        <translation> Port: </translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>对象</source>
        <translation>Objects</translation>
    </message>
    <message>
        <source>对象列表</source>
        <translation>Object list</translation>
    </message>
    <message>
        <source>属性</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>通信记录</source>
        <translation>Communication log</translation>
    </message>
    <message>
        <source>点这里，再点画布放置：%1</source>
        <translation>Click here, then on the canvas to place: %1</translation>
    </message>
    <message>
        <source>在画布上点击放置：%1</source>
        <translation>Click on the canvas to place: %1</translation>
    </message>
    <message>
        <source>未命名</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>%1[*] - 布局设计器</source>
        <translation>%1[*] - Layout designer</translation>
    </message>
    <message>
        <source>对象已锁定，不能移动或改变大小；在对象列表中取消“锁定”</source>
        <translation>The object is locked and cannot be moved or resized; clear &quot;Locked&quot; in the object list</translation>
    </message>
    <message>
        <source>%1 没有这种对象</source>
        <translation>%1 has no such object</translation>
    </message>
    <message>
        <source>布局中的第 %1 个对象（%2）是 %3 没有的，不能改为 %3</source>
        <translation>Object %1 of the layout (%2) does not exist on %3; cannot change to %3</translation>
    </message>
    <message>
        <source>选择位图文件</source>
        <translation>Choose a bitmap file</translation>
    </message>
    <message>
        <source>已添加%1：(%2, %3)</source>
        <translation>Added %1: (%2, %3)</translation>
    </message>
    <message>
        <source>选择视频画面</source>
        <translation>Choose the video picture</translation>
    </message>
    <message>
        <source>无法读取图片：%1</source>
        <translation>Cannot read the picture: %1</translation>
    </message>
    <message>
        <source>打开十字线文件</source>
        <translation>Open crosshair file</translation>
    </message>
    <message>
        <source>十字线文件</source>
        <translation>Crosshair file</translation>
    </message>
    <message>
        <source>布局“%1”已修改。保存修改吗？</source>
        <translation>The layout &quot;%1&quot; has changed. Save the changes?</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>Don&apos;t save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>新布局</source>
        <translation>New layout</translation>
    </message>
    <message>
        <source>打开布局文件</source>
        <translation>Open layout file</translation>
    </message>
    <message>
        <source>打开失败：%1</source>
        <translation>Cannot open: %1</translation>
    </message>
    <message>
        <source>已打开 %1（%2 个对象）</source>
        <translation>Opened %1 (%2 objects)</translation>
    </message>
    <message>
        <source>已打开 %1 个经设备确认的叠加对象；保存时选择文件</source>
        <translation>Opened %1 overlay objects the device acknowledged; choose a file when saving</translation>
    </message>
    <message>
        <source>布局另存为</source>
        <translation>Save layout as</translation>
    </message>
    <message>
        <source>%1 文件已存在，替换吗？</source>
        <translation>%1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>布局旁已有另一个位图文件 %1，用本布局的位图替换它吗？</source>
        <translation>Another bitmap file %1 is already beside the layout. Replace it with this layout&apos;s bitmap?</translation>
    </message>
    <message>
        <source>保存%1</source>
        <translation>Save %1</translation>
    </message>
    <message>
        <source>已保存 %1</source>
        <translation>Saved %1</translation>
    </message>
    <message>
        <source>导出PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>已导出 %1（时刻 %2）</source>
        <translation>Exported %1 (at %2)</translation>
    </message>
    <message>
        <source>连接设备</source>
        <translation>Connect device</translation>
    </message>
    <message>
        <source>应用到设备</source>
        <translation>Apply to device</translation>
    </message>
    <message>
        <source>设为开机画面</source>
        <translation>Make start-up image</translation>
    </message>
    <message>
        <source>把本布局下载为设备的开机画面（静态命令）吗？</source>
        <translation>Download this layout as the device&apos;s start-up image (static commands)?</translation>
    </message>
    <message>
        <source>实时应用已关闭</source>
        <translation>Live apply is off</translation>
    </message>
</context>
<context>
    <name>DeviceLink</name>
    <message>
        <source>失败：设备是 %1，没有“%2”；什么也没有发送</source>
        <translation> failed: the device is a %1, which has no &quot;%2&quot;; nothing was sent</translation>
    </message>
    <message>
        <source>%1成功：已发送 %2 个对象</source>
        <translation>%1: done, %2 objects sent</translation>
    </message>
    <message>
        <source>%1（已发送 %2 个对象，共 %3 个）</source>
        <translation>%1 (%2 of %3 objects sent)</translation>
    </message>
</context>
<context>
    <name>Kinds</name>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>区域</source>
        <translation>Character area</translation>
    </message>
    <message>
        <source>直线</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>矩形</source>
        <translation>Rectangle</translation>
    </message>
    <message>
        <source>圆形</source>
        <translation>Circle</translation>
    </message>
    <message>
        <source>闪烁位图</source>
        <translation>Flashing bitmap</translation>
    </message>
    <message>
        <source>超大位图</source>
        <translation>Oversized bitmap</translation>
    </message>
    <message>
        <source>单色位图</source>
        <translation>Single-colour bitmap</translation>
    </message>
    <message>
        <source>十字线</source>
        <translation>Crosshair</translation>
    </message>
    <message>
        <source>十字线位置</source>
        <translation>Crosshair position</translation>
    </message>
    <message>
        <source>系统参数</source>
        <translation>System parameters</translation>
    </message>
    <message>
        <source>时钟</source>
        <translation>Clock</translation>
    </message>
</context>
<context>
    <name>ObjectList</name>
    <message>
        <source>对象列表</source>
        <translation>Object list</translation>
    </message>
    <message>
        <source>隐藏</source>
        <translation>Hidden</translation>
    </message>
    <message>
        <source>锁定</source>
        <translation>Locked</translation>
    </message>
    <message>
        <source>对象</source>
        <translation>Object</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
</context>
<context>
    <name>PropertyPanel</name>
    <message>
        <source>未选中对象</source>
        <translation>No object selected</translation>
    </message>
    <message>
        <source>留空：发送时取计算机的时间</source>
        <translation>Empty: the computer&apos;s time when sent</translation>
    </message>
    <message>
        <source>选择…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>（未选择）</source>
        <translation>(none chosen)</translation>
    </message>
    <message>
        <source>选择位图文件</source>
        <translation>Choose a bitmap file</translation>
    </message>
</context>
<context>
    <name>ScreenWindow</name>
    <message>
        <source>zotpx-sim %1，%2 波特（%3）</source>
        <translation>zotpx-sim %1 %2 baud (%3)</translation>
    </message>
    <message>
        <source>zotpx-sim %1，%2 波特，%3（%4）</source>
        <translation>zotpx-sim %1 %2 baud %3 (%4)</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>最大40*48或48*40像素</source>
        <translation>At most 40*48 or 48*40 pixels</translation>
    </message>
    <message>
        <source>选择位图文件</source>
        <translation>Choose bitmap file</translation>
    </message>
    <message>
        <source>打开位图文件</source>
        <translation>Open bitmap file</translation>
    </message>
    <message>
        <source>最大128*128像素</source>
        <translation>At most 128*128 pixels</translation>
    </message>
    <message>
        <source>选择超大位图文件</source>
        <translation>Choose oversized bitmap file</translation>
    </message>
    <message>
        <source>打开超大位图文件</source>
        <translation>Open oversized bitmap file</translation>
    </message>
    <message>
        <source>最大192*128像素</source>
        <translation>At most 192*128 pixels</translation>
    </message>
    <message>
        <source>选择单色位图文件</source>
        <translation>Choose single-colour bitmap file</translation>
    </message>
    <message>
        <source>打开单色位图文件</source>
        <translation>Open single-colour bitmap file</translation>
    </message>
    <message>
        <source>成功：请查看图像预览区</source>
        <translation> succeeded: see the preview</translation>
    </message>
    <message>
        <source>放大两倍预览</source>
        <translation>Preview ×2</translation>
    </message>
    <message>
        <source>点这里选择位图</source>
        <translation>Click here to choose a bitmap</translation>
    </message>
    <message>
        <source>位图文件</source>
        <translation>Bitmap file</translation>
    </message>
    <message>
        <source>ZOT-Px系列字符叠加芯片和模块管理软件</source>
        <translation>Manager for ZOT-Px on-screen-display chips and modules</translation>
    </message>
    <message>
        <source> 系统控制 </source>
        <translation> System control </translation>
    </message>
    <message>
        <source>日期时间</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>字符叠加</source>
        <translation>Characters</translation>
    </message>
    <message>
        <source>文本字符</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>闪烁位图字符</source>
        <translation>Flashing bitmap</translation>
    </message>
    <message>
        <source>超大位图字符</source>
        <translation>Oversized bitmap</translation>
    </message>
    <message>
        <source>图形绘制</source>
        <translation>Graphics</translation>
    </message>
    <message>
        <source>基本图形</source>
        <translation>Shapes</translation>
    </message>
    <message>
        <source>单色位图</source>
        <translation>Single-colour bitmap</translation>
    </message>
    <message>
        <source>十字线</source>
        <translation>Crosshair</translation>
    </message>
    <message>
        <source>十字线控制</source>
        <translation>Crosshair control</translation>
    </message>
    <message>
        <source>十字线下载</source>
        <translation>Crosshair download</translation>
    </message>
    <message>
        <source>通信数据记录</source>
        <translation>Communication log</translation>
    </message>
    <message>
        <source>【通信数据记录】
</source>
        <translation>【Communication log】
</translation>
    </message>
    <message>
        <source>欢迎使用ZOT-Px系列字符叠加芯片和模块，请先执行“连接设备”</source>
        <translation>Welcome to ZOT-Px on-screen display; start with &quot;Connect device&quot;</translation>
    </message>
    <message>
        <source>请联系供应商</source>
        <translation>Ask your supplier</translation>
    </message>
    <message>
        <source>系统没有精确定时器，程序异常终止！</source>
        <translation>The system has no precise timer; the program stops.</translation>
    </message>
    <message>
        <source>  %1 KB/s  剩余 %2</source>
        <translation>  %1 KB/s  %2 left</translation>
    </message>
    <message>
        <source>打开内部字库文件</source>
        <translation>Open internal font library file</translation>
    </message>
    <message>
        <source>打开静态命令文件</source>
        <translation>Open static commands file</translation>
    </message>
    <message>
        <source>打开十字线文件</source>
        <translation>Open crosshair file</translation>
    </message>
    <message>
        <source>保存通信记录…</source>
        <translation>Save communication log…</translation>
    </message>
    <message>
        <source>导出为静态命令文件…</source>
        <translation>Export as static commands file…</translation>
    </message>
    <message>
        <source>导出为布局文件…</source>
        <translation>Export as layout file…</translation>
    </message>
    <message>
        <source>在布局设计器中打开</source>
        <translation>Open in the layout designer</translation>
    </message>
    <message>
        <source>失败：本次没有经设备确认的叠加命令</source>
        <translation> failed: no overlay command acknowledged by the device in this session</translation>
    </message>
    <message>
        <source>失败：经设备确认的叠加命令都无法写入布局文件</source>
        <translation> failed: none of the acknowledged overlay commands can go into a layout file</translation>
    </message>
    <message>
        <source>布局文件 (*.toml)|*.toml</source>
        <translation>Layout files (*.toml)|*.toml</translation>
    </message>
    <message>
        <source>%1 文件已存在，替换吗？</source>
        <translation>%1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>成功</source>
        <translation> succeeded</translation>
    </message>
    <message>
        <source>成功：写入 %1 个叠加对象</source>
        <translation> succeeded: %1 overlay objects written</translation>
    </message>
    <message>
        <source>，%1 个位图文件</source>
        <translation>, %1 bitmap files</translation>
    </message>
    <message>
        <source>；另有 %1 条命令无法写入布局，已略去</source>
        <translation>; %1 more commands cannot go into a layout and were left out</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>成功：%1 个叠加对象</source>
        <translation> succeeded: %1 overlay objects</translation>
    </message>
    <message>
        <source>%1 字节</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>未记录应答：设备没有应答，或应答不被接受</source>
        <translation>No reply logged: the device did not answer, or its answer was refused</translation>
    </message>
    <message>
        <source>发送的命令帧，%1：</source>
        <translation>Command frame sent, %1:</translation>
    </message>
    <message>
        <source>设备的应答，%1：</source>
        <translation>The device&apos;s reply, %1:</translation>
    </message>
    <message>
        <source>存储器传输：</source>
        <translation>Memory transfer:</translation>
    </message>
    <message>
        <source>命令记录：%1，命令行 zotpx %2</source>
        <translation>Command record: %1, command line zotpx %2</translation>
    </message>
    <message>
        <source> 闪烁位图字符 </source>
        <translation> Flashing bitmap characters </translation>
    </message>
    <message>
        <source> 超大位图字符 </source>
        <translation> Oversized bitmap characters </translation>
    </message>
    <message>
        <source> 单色位图 </source>
        <translation> Single-colour bitmap </translation>
    </message>
    <message>
        <source> 文本字符 </source>
        <translation> Text characters </translation>
    </message>
    <message>
        <source> 字符区域 </source>
        <translation> Character area </translation>
    </message>
    <message>
        <source> 十字线设置 </source>
        <translation> Crosshair settings </translation>
    </message>
    <message>
        <source>请先下载十字线图形，否则本命令可能会失败</source>
        <translation>Download the crosshair first, or this may fail</translation>
    </message>
    <message>
        <source> 十字线移动 </source>
        <translation> Crosshair move </translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>文件位置</source>
        <translation>File</translation>
    </message>
    <message>
        <source>双击图片可查看</source>
        <translation>Double-click a picture to view it</translation>
    </message>
    <message>
        <source>十字线图形列表</source>
        <translation>Crosshair graphics list</translation>
    </message>
    <message>
        <source>添加位图文件</source>
        <translation>Add bitmap files</translation>
    </message>
    <message>
        <source>清空位图文件</source>
        <translation>Clear bitmap files</translation>
    </message>
    <message>
        <source>十字线原点X坐标：</source>
        <translation>Crosshair origin X:</translation>
    </message>
    <message>
        <source>十字线原点Y坐标：</source>
        <translation>Crosshair origin Y:</translation>
    </message>
    <message>
        <source>所有图形的原点坐标必须一致</source>
        <translation>All graphics must have the same origin</translation>
    </message>
    <message>
        <source>原点不允许移动到虚拟屏幕外</source>
        <translation>The origin may not leave the virtual screen</translation>
    </message>
    <message>
        <source>成功：请查看图像显示区域</source>
        <translation> succeeded: see the picture area</translation>
    </message>
    <message>
        <source> 日期 </source>
        <translation> Date </translation>
    </message>
    <message>
        <source> 时间 </source>
        <translation> Time </translation>
    </message>
    <message>
        <source>取计算机当前日期时间</source>
        <translation>The computer&apos;s current date and time</translation>
    </message>
    <message>
        <source>字体：</source>
        <translation>Font:</translation>
    </message>
    <message>
        <source>区码：</source>
        <translation>Block:</translation>
    </message>
    <message>
        <source>汉字字库测试</source>
        <translation>Chinese font test</translation>
    </message>
    <message>
        <source>汉字12个*8行，间距2像素</source>
        <translation>12 characters * 8 rows, 2 pixels apart</translation>
    </message>
    <message>
        <source>测试到达最后一块文字区域，将返回到开始</source>
        <translation>The test reached the last character block and goes back to the start</translation>
    </message>
    <message>
        <source> 直线 </source>
        <translation> Line </translation>
    </message>
    <message>
        <source> 矩形 </source>
        <translation> Rectangle </translation>
    </message>
    <message>
        <source> 圆形 </source>
        <translation> Circle </translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>串口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>速率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>未知版本</source>
        <translation>Unknown version</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
</context>
<context>
    <name>WindowLanguage</name>
    <message>
        <source>所选的语言将在下次启动时生效。</source>
        <translation>The chosen language takes effect at the next start.</translation>
    </message>
</context>
<context>
    <name>WindowProgram</name>
    <message>
        <source>管理软件</source>
        <translation>Manager</translation>
    </message>
    <message>
        <source>布局设计器</source>
        <translation>Layout designer</translation>
    </message>
</context>
</TS>
