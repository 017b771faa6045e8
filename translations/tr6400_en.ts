<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>ExportFaultWords</name>
    <message>
        <source>文件为空</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>开头缺少双引号</source>
        <translation>no double quote at the start</translation>
    </message>
    <message>
        <source>结尾缺少双引号</source>
        <translation>no closing double quote</translation>
    </message>
    <message>
        <source>空行</source>
        <translation>empty line</translation>
    </message>
    <message>
        <source>结尾双引号之后还有内容</source>
        <translation>text after the closing double quote</translation>
    </message>
    <message>
        <source>格式应为“通道::斜率--偏移量”</source>
        <translation>expected "channel::slope--offset"</translation>
    </message>
    <message>
        <source>通道%1超出范围，应为1-8</source>
        <translation>channel %1 is not 1 to 8</translation>
    </message>
    <message>
        <source>斜率%1超出范围，应为0-65535</source>
        <translation>slope %1 is not 0 to 65535</translation>
    </message>
    <message>
        <source>偏移量%1超出范围，应为0-65535</source>
        <translation>offset %1 is not 0 to 65535</translation>
    </message>
    <message>
        <source>通道重复（第%1行已有通道%2）</source>
        <translation>channel given twice (line %1 already has channel %2)</translation>
    </message>
    <message>
        <source>无法读取文件（%1）</source>
        <translation>cannot read the file (%1)</translation>
    </message>
    <message>
        <source>文件过大，不是通道列表</source>
        <translation>the file is too large for a channel list</translation>
    </message>
</context>
<context>
    <name>RestoreWords</name>
    <message>
        <source>写入斜率</source>
        <translation>writing the slope</translation>
    </message>
    <message>
        <source>写入偏移量</source>
        <translation>writing the offset</translation>
    </message>
    <message>
        <source>读回校验</source>
        <translation>reading back</translation>
    </message>
    <message>
        <source>无回应</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>the port is not open</translation>
    </message>
    <message>
        <source>回应的值为%1，应为%2</source>
        <translation>the answer carries %1 instead of %2</translation>
    </message>
    <message>
        <source>回应中没有斜率和偏移量</source>
        <translation>the answer carries no slope and offset</translation>
    </message>
    <message>
        <source>读回斜率%1、偏移量%2，应为斜率%3、偏移量%4</source>
        <translation>read back slope %1, offset %2 instead of slope %3, offset %4</translation>
    </message>
    <message>
        <source>第%1行 %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>批量定入失败：第%1通道 %2：%3
已完成的通道：%4</source>
        <translation>Batch write failed: channel %1, %2: %3
Channels done: %4</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>TR6400多通道温度采集模块工具软件</source>
        <translation>TR6400 Multi-channel Temperature Module Tool</translation>
    </message>
    <message>
        <source>采集与存储</source>
        <translation>Acquisition</translation>
    </message>
    <message>
        <source>MODBUS设置</source>
        <translation>Modbus</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>超始地址</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>功 能 码</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>运行状态指示</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>数据采集通讯状态指示</source>
        <translation>Communication status of the acquisition</translation>
    </message>
    <message>
        <source>温度数据</source>
        <translation>Temperatures</translation>
    </message>
    <message>
        <source>存储文件</source>
        <translation>Data file</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>清空文件</source>
        <translation>Clear file</translation>
    </message>
    <message>
        <source>数据读出</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>刷新时长(ms)</source>
        <translation>Period (ms)</translation>
    </message>
    <message>
        <source>存储数据</source>
        <translation>Log data</translation>
    </message>
    <message>
        <source>存储时间间隔</source>
        <translation>Log every</translation>
    </message>
    <message>
        <source>单次采集</source>
        <translation>Read once</translation>
    </message>
    <message>
        <source>循环采集</source>
        <translation>Read cyclic</translation>
    </message>
    <message>
        <source>停止采集</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>串口设置</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>保存设置</source>
        <translation>Save port</translation>
    </message>
    <message>
        <source>校正参数读取与写入</source>
        <translation>Calibration of one channel</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>斜率</source>
        <translation>Slope</translation>
    </message>
    <message>
        <source>读参数</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>偏移量</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>写斜率</source>
        <translation>Write slope</translation>
    </message>
    <message>
        <source>写偏移量</source>
        <translation>Write offset</translation>
    </message>
    <message>
        <source>文件批量操作</source>
        <translation>All channels</translation>
    </message>
    <message>
        <source>批量读出</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>存储成文件</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>从文件导入</source>
        <translation>Import file</translation>
    </message>
    <message>
        <source>批量定入</source>
        <translation>Write all</translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation>About</translation>
    </message>
    <message>
        <source>命令执行状态</source>
        <translation>Command status</translation>
    </message>
    <message>
        <source>发送命令:</source>
        <translation>Sent:</translation>
    </message>
    <message>
        <source>打开使用说明（F1）</source>
        <translation>Open the manual (F1)</translation>
    </message>
    <message>
        <source>使用说明</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>tr::AcquisitionPanel</name>
    <message>
        <source>请输入正确的命令，命令、地址、数据长度等都应该是十六进制数据</source>
        <translation>Please enter a valid command: command, address, data length and so on must be hexadecimal numbers</translation>
    </message>
    <message>
        <source>请输入正确的地址、数据长度，地址和数据长度不能为0，数据长度值范围为1-21</source>
        <translation>Please enter a valid address and data length: neither may be 0, and the data length is 1 to 21</translation>
    </message>
    <message>
        <source>请输入正确的刷新时长和存储时间间隔</source>
        <translation>Please enter a valid refresh period and storage interval</translation>
    </message>
    <message>
        <source>数据文件写入失败：%1（%2）</source>
        <translation>Cannot write the data file: %1 (%2)</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>序列号文件 (*.txt) (*.txt);;所有文件（*） (*)</source>
        <translation>Serial number files (*.txt) (*.txt);;All files (*) (*)</translation>
    </message>
    <message>
        <source>清空文件失败：%1（%2）</source>
        <translation>Cannot clear the file: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>tr::CalibrationPanel</name>
    <message>
        <source>请输入正确的参数值，范围为0-65535</source>
        <translation>Please enter a valid value, 0 to 65535</translation>
    </message>
    <message>
        <source>请输入正确的设备地址和通道，范围为0-255</source>
        <translation>Please enter a valid station and channel, 0 to 255</translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>%1 已存在。
要替换它吗？</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>文件保存失败：%1（%2）</source>
        <translation>Could not save the file: %1 (%2)</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>导入失败：</source>
        <translation>Import failed: </translation>
    </message>
    <message>
        <source>批量定入失败：</source>
        <translation>Batch write failed: </translation>
    </message>
    <message>
        <source>列表中没有要写入的通道</source>
        <translation>The list holds no channel to write</translation>
    </message>
    <message>
        <source>设备地址0是广播地址，模块不回应，无法逐个通道校验，请输入模块的设备地址</source>
        <translation>Station 0 is the broadcast address: no module answers it, so nothing can be read back. Please enter the module's station</translation>
    </message>
    <message>
        <source>将向设备地址 %1 写入 %2 个通道的斜率和偏移量。写入期间采集暂停，正在进行的循环采集在写入结束后恢复。是否继续？</source>
        <translation>Write the slope and offset of %2 channels to station %1? Acquisition pauses during the write; cyclic acquisition that is running resumes when it ends.</translation>
    </message>
</context>
<context>
    <name>tr::DataFile</name>
    <message>
        <source>路径为空</source>
        <translation>no path given</translation>
    </message>
</context>
<context>
    <name>tr::LineHintLabel</name>
    <message>
        <source>模块没有应答：请检查设备地址和波特率是否与模块一致、A/B 线是否接反、长线两端是否有终端电阻；地址或波特率不明时请用“查找模块”。</source>
        <translation>The module does not answer: check that the station and baud rate are the module's, that A and B are not swapped and that a long line is terminated at both ends; if the station or baud rate is unknown, use "Find the module".</translation>
    </message>
    <message>
        <source>应答校验错误：波特率或校验方式与模块不一致、线路有干扰，或缺少终端电阻。</source>
        <translation>The answers fail their CRC: the baud rate or parity differs from the module's, there is noise on the line, or the termination is missing.</translation>
    </message>
    <message>
        <source>应答不完整：线路或转换器丢失了字节，请换一个转换器、缩短线路或降低波特率。</source>
        <translation>The answers are cut short: the line or the converter drops bytes; try another converter, a shorter line or a lower baud rate.</translation>
    </message>
    <message>
        <source>模块回应异常码 02：读取的寄存器个数超过模块所有，请减小“数据长度”。</source>
        <translation>The module answers with exception 02: more registers are asked for than the module holds; lower "Count".</translation>
    </message>
    <message>
        <source>模块回应异常码 %1：模块拒绝了该请求，请检查“功 能 码”（3 或 4）和“超始地址”。</source>
        <translation>The module answers with exception %1: it refuses the request; check "Function" (3 or 4) and "Start".</translation>
    </message>
    <message>
        <source>串口未打开（%1）：请选择其他串口，或关闭占用它的程序。</source>
        <translation>The port is not open (%1): choose another port, or close the program that holds it.</translation>
    </message>
</context>
<context>
    <name>tr::LinePanel</name>
    <message>
        <source>通信统计</source>
        <translation>Line statistics</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>解码成功</source>
        <translation>Decoded</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>CRC错误</source>
        <translation>Bad CRC</translation>
    </message>
    <message>
        <source>不完整</source>
        <translation>Short</translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation>Exception</translation>
    </message>
    <message>
        <source>应答时间(ms)</source>
        <translation>Answer time (ms)</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>中位数</source>
        <translation>Median</translation>
    </message>
    <message>
        <source>P99</source>
        <translation>P99</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存记录</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>通信记录（最近10000条）</source>
        <translation>Traffic (last 10,000 frames)</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>记录保存失败：%1（%2）</source>
        <translation>Cannot save the log: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>tr::ManualWindow</name>
    <message>
        <source>TR6400 使用说明</source>
        <translation>TR6400 operator's manual</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>上一个</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>查找：</source>
        <translation>Find:</translation>
    </message>
    <message>
        <source>zh</source>
        <extracomment>The language of the manual that opens: zh (Chinese) or en (English).</extracomment>
        <translation>en</translation>
    </message>
    <message>
        <source>未找到</source>
        <translation>Not found</translation>
    </message>
</context>
<context>
    <name>tr::MessageBox</name>
    <message>
        <source>系统提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>tr::ModuleFinder</name>
    <message>
        <source>异常码 %1</source>
        <translation>exception %1</translation>
    </message>
    <message>
        <source>查找模块</source>
        <translation>Find the module</translation>
    </message>
    <message>
        <source>所选波特率</source>
        <translation>Chosen baud rate</translation>
    </message>
    <message>
        <source>所有波特率</source>
        <translation>Every baud rate</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>使用</source>
        <translation>Use</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>前八个数值</source>
        <translation>First eight values</translation>
    </message>
    <message>
        <source>正在查找，采集已暂停……</source>
        <translation>Searching, acquisition paused…</translation>
    </message>
    <message>
        <source>找到 %1 个模块：选中一行后按“使用”</source>
        <translation>%1 module(s) found: select a line and press "Use"</translation>
    </message>
    <message>
        <source>没有找到模块：请检查接线、A/B 线和模块电源</source>
        <translation>No module found: check the wiring, A and B, and the module's power</translation>
    </message>
    <message>
        <source>查找已取消，找到 %1 个模块</source>
        <translation>Search cancelled, %1 module(s) found</translation>
    </message>
    <message>
        <source>串口未打开，无法查找</source>
        <translation>The port is not open; nothing can be searched</translation>
    </message>
</context>
<context>
    <name>tr::PortPanel</name>
    <message>
        <source>无法打开：没有权限（请将当前用户加入 dialout 组）</source>
        <translation>Cannot open: no permission (add your user to the dialout group)</translation>
    </message>
    <message>
        <source>无法打开：串口被其他程序占用</source>
        <translation>Cannot open: the port is in use by another program</translation>
    </message>
    <message>
        <source>无法打开：设备不存在</source>
        <translation>Cannot open: the device does not exist</translation>
    </message>
    <message>
        <source>无法打开：%1</source>
        <translation>Cannot open: %1</translation>
    </message>
    <message>
        <source>指向 %1</source>
        <translation>leads to %1</translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation>device absent</translation>
    </message>
    <message>
        <source>设备存在：%1</source>
        <translation>device present: %1</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>所选的串行端口已被其他设备所使用!</source>
        <translation>The selected serial port is in use by another device!</translation>
    </message>
    <message>
        <source>系统信息</source>
        <translation>System information</translation>
    </message>
    <message>
        <source>串口设置保存失败：%1（%2）</source>
        <translation>Could not save the port settings: %1 (%2)</translation>
    </message>
    <message>
        <source>串口设置保存成功</source>
        <translation>Port settings saved</translation>
    </message>
</context>
<context>
    <name>tr::QtMessageBox</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>tr::TrafficModel</name>
    <message>
        <source>已解码</source>
        <translation>decoded</translation>
    </message>
    <message>
        <source>CRC错误</source>
        <translation>Bad CRC</translation>
    </message>
    <message>
        <source>不完整</source>
        <translation>Short</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation>Exception</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>TX</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>RX</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Dir</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Verdict</translation>
    </message>
</context>
<context>
    <name>tr::TrendChart</name>
    <message>
        <source>温度(℃)</source>
        <translation>Temperature (℃)</translation>
    </message>
    <message>
        <source>%1#</source>
        <translation>%1#</translation>
    </message>
</context>
<context>
    <name>tr::TrendPanel</name>
    <message>
        <source>1 分钟</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>10 分钟</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>1 小时</source>
        <translation>1 h</translation>
    </message>
    <message>
        <source>8 小时</source>
        <translation>8 h</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>缩放复位：回到所选的时间范围</source>
        <translation>Reset the zoom: back to the chosen time range</translation>
    </message>
    <message>
        <source>保存图片</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>打开数据文件</source>
        <translation>Open data file</translation>
    </message>
    <message>
        <source>独立窗口</source>
        <translation>Own window</translation>
    </message>
    <message>
        <source>时间范围</source>
        <translation>Time range</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>趋势图显示在独立窗口中</source>
        <translation>The trend is shown in its own window</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>图片保存失败：%1</source>
        <translation>Cannot save the image: %1</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>正在导出</source>
        <translation>Exporting</translation>
    </message>
    <message>
        <source>导出未完成：数据在导出时被替换</source>
        <translation>Export not finished: the data was replaced while exporting</translation>
    </message>
    <message>
        <source>导出失败：%1（%2）</source>
        <translation>Export failed: %1 (%2)</translation>
    </message>
    <message>
        <source>数据文件 (*.txt *.csv);;所有文件 (*)</source>
        <translation>Data files (*.txt *.csv);;All files (*)</translation>
    </message>
    <message>
        <source>正在读取</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>无法打开文件：%1（%2）</source>
        <translation>Cannot open the file: %1 (%2)</translation>
    </message>
    <message>
        <source>不是数据文件（含有非文本内容）：%1</source>
        <translation>Not a data file (it holds more than text): %1</translation>
    </message>
    <message>
        <source>%1 行格式错误，已跳过，第一处在第 %2 行。</source>
        <translation>%1 malformed lines skipped, the first at line %2.</translation>
    </message>
    <message>
        <source>文件中没有可显示的数据：%1</source>
        <translation>The file holds nothing to show: %1</translation>
    </message>
    <message>
        <source>已打开 %1，</source>
        <translation>Opened %1; </translation>
    </message>
    <message>
        <source>趋势</source>
        <translation>Trend</translation>
    </message>
</context>
<context>
    <name>tr::frmMain</name>
    <message>
        <source>缺少第%1项</source>
        <translation>field %1 is missing</translation>
    </message>
    <message>
        <source>第%1项为空</source>
        <translation>field %1 is empty</translation>
    </message>
    <message>
        <source>第%1项不是整数</source>
        <translation>field %1 is not a whole number</translation>
    </message>
    <message>
        <source>第%1项超出范围（-32768～32767）</source>
        <translation>field %1 is out of range (-32768 to 32767)</translation>
    </message>
    <message>
        <source>文件不存在或无法打开</source>
        <translation>the file does not exist or cannot be opened</translation>
    </message>
    <message>
        <source>无法读取设置文件 %1：%2</source>
        <translation>Cannot read the settings file %1: %2</translation>
    </message>
    <message>
        <source>TR6400多通道温度采集模块工具软件
版本 %1

界面语言：中文

切换语言：启动时加参数 --lang en（英文）或 --lang zh（中文），或设置环境变量 TR6400_LANG。两者都未指定时，系统区域的语言为英文则显示英文，否则显示中文。</source>
        <translation>TR6400 Multi-channel Temperature Module Tool
Version %1

Language: English

To change it, start the program with --lang zh (Chinese) or --lang en (English), or set the environment variable TR6400_LANG. Without either, the window is English when the language of the system locale is English, and Chinese otherwise.</translation>
    </message>
    <message>
        <source>%1# 温度</source>
        <translation>Channel %1 temperature</translation>
    </message>
    <message>
        <source>通讯状态：已连接</source>
        <translation>Link: connected</translation>
    </message>
    <message>
        <source>通讯状态：等待回应</source>
        <translation>Link: waiting for an answer</translation>
    </message>
    <message>
        <source>通讯状态：未连接</source>
        <translation>Link: not connected</translation>
    </message>
    <message>
        <source>设置文件 comm.set 中的串口号 %1 无法使用</source>
        <translation>The port number %1 in the settings file comm.set cannot be used</translation>
    </message>
    <message>
        <source>设置文件 comm.set 中的波特率 %1 无法使用</source>
        <translation>The baud rate %1 in the settings file comm.set cannot be used</translation>
    </message>
    <message>
        <source>趋势</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>通信</source>
        <translation>Communication</translation>
    </message>
</context>
<context>
    <name>tr::setupMessage</name>
    <message>
        <source>找不到默认设置文件 %1，请重新安装本程序</source>
        <translation>The default settings file %1 is missing; please reinstall the program</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1：磁盘已满或没有写入权限</source>
        <translation>Cannot create the folder %1: the disk is full or not writable</translation>
    </message>
    <message>
        <source>无法创建设置文件 %1：磁盘已满或没有写入权限</source>
        <translation>Cannot create the settings file %1: the disk is full or not writable</translation>
    </message>
</context>
</TS>
