// The Chinese texts: the device's own language and the tool's default face. Every text here is
// the one the tool has always shown, byte for byte; scripts, stored logs and the tests match
// them. Ids are "folder.what"; the English catalogue (catalogue_en.cpp) has the same ids.
// Kept in a header so that an id used in the code is checked against it when compiling.
#pragma once

#include "base/catalogue.h"

namespace zotpx {

// clang-format off
inline constexpr CatalogueEntry kChineseTexts[] = {
    // ---- base: vocabulary: lists, numbers, files, the command captions ----
    {"caption.BtnSearchCmd", "连接设备"},
    {"caption.BtnConfigCmd", "参数设置命令"},
    {"caption.BtnSetTimeCmd", "日期时间设置命令"},
    {"caption.BtnDateCmd", "日期控制命令"},
    {"caption.BtnTimeCmd", "时间控制命令"},
    {"caption.BtnStringCmd", "文本字符串命令"},
    {"caption.BtnAreaCmd", "字符区域命令"},
    {"caption.BtnStaticCmd", "生成和下载静态命令"},
    {"caption.BtnEepromCmd", "内部字库下载"},
    {"caption.BtnBitmapCmd", "位图字符命令"},
    {"caption.BtnSuperBitmapCmd", "超大位图字符命令"},
    {"caption.BtnSingleBitmapCmd", "单色位图命令"},
    {"caption.BtnLineCmd", "直线控制命令"},
    {"caption.BtnRectCmd", "矩形控制命令"},
    {"caption.BtnCircleCmd", "圆形控制命令"},
    {"caption.BtnCrossConfigCmd", "十字线设置命令"},
    {"caption.BtnCrossMoveCmd", "十字线移动命令"},
    {"caption.BtnCrossDownFile", "生成十字线文件"},
    {"caption.BtnCrossDownCmd", "十字线文件下载"},
    // files and sockets
    {"files.save_failed", "失败：无法保存文件"},
    {"files.cannot_save", "无法保存文件"},
    {"files.failure", "{1}（{2}）"},
    {"files.no_space", "磁盘空间不足"},
    {"files.read_only", "文件只读"},
    {"files.read_only_fs", "文件系统只读"},
    {"files.no_permission", "没有写入权限"},
    {"files.no_folder", "文件夹不存在"},
    {"files.not_regular", "不是普通文件"},
    {"files.name_too_long", "文件名过长"},
    {"files.link_loop", "符号链接循环"},
    {"files.same_as_input", "与读取的文件是同一个文件"},
    {"files.same_as_output", "与另一个输出是同一个文件"},
    {"files.write_error", "写入出错"},
    {"files.windows_error", "Windows 错误 {1}"},
    {"net.resolve_timed_out", "解析主机名超时"},
    // ---- end of base ----

    // ---- serial: ports, frames, transfers ----
    {"serial.log_sent", "发送："},
    {"serial.log_received", "接收："},
    {"serial.log_interrupted", "用户中断"},
    {"serial.success", "成功：请查看通信数据记录以获得更多信息"},
    {"serial.send_failed", "失败：发送命令失败"},
    {"serial.receive_failed", "失败：接收响应失败"},
    {"serial.interrupted", "失败：用户中断"},
    {"serial.failed_because", "失败：{1}"},
    {"serial.cause", "（{1}）"},
    {"serial.open_failed", "通信失败：请检查串口是否存在或被其他程序占用"},
    {"serial.erasing_log", "正在擦除存储器..."},
    {"serial.writing_log", "正在写入存储器..."},
    {"serial.erase_failed_log", "擦除存储器失败"},
    {"serial.write_failed_log", "写入存储器失败"},
    {"serial.written_log", "写入存储器成功"},
    {"serial.erase_failed", "失败：擦除存储器失败"},
    {"serial.write_failed", "失败：写入存储器失败"},
    {"serial.interrupted_written", "用户中断，已写入 {1} 字节"},
    {"serial.data_log", "数据：{1} 字节，地址 {2}"},
    {"serial.host_not_resolved", "无法解析主机名“{1}”{2}"},
    {"serial.peer_refused", "{1} 拒绝连接"},
    {"serial.peer_timed_out", "连接 {1} 超时{2}"},
    {"serial.peer_closed", "与 {1} 的连接已断开{2}"},
    {"serial.peer_not_rfc2217", "{1} 不是 RFC 2217 串口服务器{2}"},
    {"serial.peer_said", "{1}：{2}"},
    {"serial.network_error", "网络错误"},
    {"serial.rate_not_taken", "串口不支持波特率 {1}（实际为 {2}）"},
    {"serial.not_found", "设备 {1} 不存在"},
    {"serial.bad_url", "“{1}”：{2}"},
    {"serial.bad_name", "“{1}”不是串口名，串口名为 COM1 至 COM256 或设备路径"},
    {"serial.no_access", "没有访问 {1} 的权限"},
    {"serial.busy", "{1} 已被其他程序占用"},
    {"serial.busy_by", "{1} 已被其他程序占用：{2}"},
    {"serial.not_serial", "{1} 不是串口设备"},
    {"serial.unsafe", "{1}，已拒绝使用"},
    {"serial.cannot_set", "无法设置 {1}：{2}"},
    {"serial.lost", "设备 {1} 已断开"},
    {"serial.holder", "{1}，进程 {2}"},
    {"serial.folder_unsafe", "端口目录 {1} 可被其他用户修改"},
    {"serial.link_unsafe", "链接 {1} 属于其他用户"},
    {"serial.access_join", "没有访问 {1} 的权限，请把当前用户加入 {4} 组后重新登录"},
    {"serial.access_log_in_again", "没有访问 {1} 的权限：当前用户已加入 {4} 组，请重新登录后再试"},
    {"serial.access_root_group", "没有访问 {1} 的权限：设备（{2}，{3}）只允许 root 组读写，请管理员为它指定专用的用户组（不宜把用户加入 root 组）"},
    {"serial.access_group_reads", "没有访问 {1} 的权限：设备（{2}，{3}）只允许 {4} 组读取，加入该组也无法读写，请管理员为该组开放读写权限"},
    {"serial.access_group_writes", "没有访问 {1} 的权限：设备（{2}，{3}）只允许 {4} 组写入，加入该组也无法读写，请管理员为该组开放读写权限"},
    {"serial.access_group_denied", "没有访问 {1} 的权限：设备（{2}，{3}）不允许其用户组 {4} 读写，而当前用户属于该组，请管理员为该组开放读写权限"},
    {"serial.access_no_group", "没有访问 {1} 的权限：设备（{2}，{3}）的权限不允许任何用户组访问，请管理员为它指定用户组"},
    {"serial.access_owner_denied", "没有访问 {1} 的权限：设备（{2}，{3}）不允许其所有者读写，当前用户是其所有者，可用 chmod u+rw {1} 开放"},
    {"serial.access_not_by_mode", "没有访问 {1} 的权限：设备（{2}，{3}）的权限允许访问，但被访问控制列表或安全模块拒绝"},
    {"serial.url_unknown_scheme", "不支持的协议“{1}”：网络端口为 tcp://主机:端口 或 rfc2217://主机:端口"},
    {"serial.url_no_host", "缺少主机名"},
    {"serial.url_not_ipv6", "“[{1}]”不是 IPv6 地址"},
    {"serial.url_bad_host", "主机名“{1}”无效"},
    {"serial.url_no_bracket", "IPv6 地址缺少“]”"},
    {"serial.url_after_bracket", "“]”后应为“:端口”，而不是“{1}”"},
    {"serial.url_ipv6_brackets", "IPv6 地址须写在方括号中，如 rfc2217://[::1]:2217"},
    {"serial.url_no_port", "缺少端口号，如 tcp://主机:端口"},
    {"serial.url_port_not_number", "端口号“{1}”不是数字"},
    {"serial.url_port_range", "端口号须在 {1} 至 65535 之间"},
    {"serial.url_no_slashes", "“{1}:”后应为“//”，如 {1}://主机:端口"},
    {"serial.url_no_user", "网络端口不带用户名或密码"},
    {"serial.url_trailing", "端口号后不应有“{1}”"},
    {"serial.port_number_missing", "缺少端口号"},
    {"serial.rfc2217_no_telnet", "未应答 Telnet 协商"},
    {"serial.rfc2217_no_com_port", "不支持 COM-PORT-OPTION"},
    {"serial.rfc2217_no_binary", "不支持二进制传输"},
    {"serial.rfc2217_rate_unanswered", "服务器未应答波特率设置"},
    {"serial.rfc2217_paused", "服务器暂停接收数据"},
    // ---- end of serial ----

    // ---- device: connect, identify, parameters, clock ----
    {"device.connect_failed", "失败：请检查产品是否正确连接到计算机串口"},
    {"device.connected", "成功：产品型号和通信速率已自动匹配"},
    {"device.unknown_version", "未知版本"},
    // ---- end of device ----

    // ---- text: texts, areas, static commands, font library ----
    {"text.font_no_model", "失败：请先连接设备获得产品型号才能下载字库"},
    {"text.font_slow_rate", "失败：通信速率至少要设置为115200bps以减少下载字库时间"},
    {"text.font_open_failed", "失败：打开字库文件失败"},
    {"text.font_invalid", "失败：无效的字库文件"},
    {"text.font_unsupported", "失败：当前型号的产品不支持此字库"},
    {"text.font_progress", "正在进行字库下载... "},
    {"text.static_no_model", "失败：请先连接设备获得产品型号才能下载静态命令"},
    {"text.static_open_failed", "失败：打开命令文件失败"},
    {"text.static_invalid", "失败：无效的命令文件"},
    {"text.static_too_big", "失败：命令文件太大"},
    {"text.static_too_many", "失败：命令条数超过255条"},
    {"text.static_frame_too_long", "失败：命令帧太长，静态命令文件容纳不下"},
    {"text.static_save_failed", "失败：生成静态命令文件失败"},
    {"text.static_generated_log", "生成静态命令成功"},
    {"text.static_question", "已生成静态命令文件，是否立即下载？"},
    {"text.static_download_title", "下载静态命令"},
    {"text.static_erased_log", "擦除存储器成功"},
    {"text.static_downloaded_log", "下载静态命令成功"},
    // ---- end of text ----

    // ---- graphics: bitmaps and shapes ----
    {"graphics.cannot_open", "失败：无法访问位图文件"},
    {"graphics.invalid", "失败：不合法的位图文件"},
    {"graphics.cannot_decode", "无法解码位图文件："},
    // ---- end of graphics ----

    // ---- crosshair: the crosshair and its file ----
    {"crosshair.wrong_model", "失败：当前型号的产品不支持十字线下载"},
    {"crosshair.slow_rate", "失败：通信速率至少要设置为115200bps以减少下载十字线时间"},
    {"crosshair.open_failed", "失败：打开十字线文件失败"},
    {"crosshair.invalid_file", "失败：无效的十字线文件"},
    {"crosshair.progress", "正在进行十字线下载... "},
    {"crosshair.invalid_origin", "失败：不合法的十字线原点坐标值"},
    {"crosshair.no_shapes", "失败：没有添加位图文件"},
    {"crosshair.too_many_shapes", "失败：最多只能添加20个位图文件"},
    {"crosshair.duplicate_shape", "失败：重复添加位图文件"},
    {"crosshair.bad_shape", "失败：发现不合法的位图文件"},
    // ---- end of crosshair ----

    // ---- command: the command table, checks, explain, logs ----
    // ---- end of command ----

    // ---- layout: layout files ----
    // ---- end of layout ----

    // ---- screen: the screen model ----
    // ---- end of screen ----

    // ---- scene: layouts on the screen ----
    // ---- end of scene ----

    // ---- editor: the designer's document ----
    // ---- end of editor ----

    // ---- cli: the command line ----
    {"cli.title_succeeded", "{1}成功"},
    {"cli.raw_frame", "原始命令帧"},
    // ---- end of cli ----

    // ---- sim: the simulated device ----
    // ---- end of sim ----
};
// clang-format on

}  // namespace zotpx
