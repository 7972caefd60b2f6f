<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>CreationPlan</name>
    <message>
        <source>The partition table of this MBR disk is full (4 primary partitions, an extended partition counting as one). Delete a partition first, or convert the disk to GPT.</source>
        <translation>此 MBR 磁盘的分区表已满（4 个主分区，扩展分区算作一个）。请先删除一个分区，或将磁盘转换为 GPT。</translation>
    </message>
    <message>
        <source>The partition table of this disk is full (%1 partitions).</source>
        <translation>此磁盘的分区表已满（%1 个分区）。</translation>
    </message>
    <message>
        <source>The partition table of this disk can take %1 more; the plan has %2 partitions.</source>
        <translation>此磁盘的分区表还能容纳 %1 个分区；计划中有 %2 个分区。</translation>
    </message>
    <message>
        <source>Partition %1 (%2) does not fit: %3 of the free region can still be given to it.</source>
        <translation>分区 %1（%2）放不下：该可用区域最多还能给它 %3。</translation>
    </message>
    <message>
        <source>This free region is too small to hold a partition (at least %1 MB are needed).</source>
        <translation>此可用区域太小，无法容纳分区（至少需要 %1 MB）。</translation>
    </message>
</context>
<context>
    <name>CustomTitleBar</name>
    <message>
        <source>Morvane Tessaline</source>
        <translation>Morvane Tessaline</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>More options</source>
        <translation>更多选项</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>技术支持</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>DeletePartitionPage</name>
    <message>
        <source>Deleting a Partition: %1</source>
        <translation>删除分区：%1</translation>
    </message>
    <message>
        <source>Deleting partition: %1</source>
        <translation>正在删除分区：%1</translation>
    </message>
    <message>
        <source>Delete Patition</source>
        <translation>删除分区</translation>
    </message>
    <message>
        <source>Drive letter</source>
        <translation>驱动器号</translation>
    </message>
    <message>
        <source>File system</source>
        <translation>文件系统</translation>
    </message>
    <message>
        <source>Volume label</source>
        <translation>卷标</translation>
    </message>
    <message>
        <source>Partition size</source>
        <translation>分区大小</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Deleting partition...</source>
        <translation>正在删除分区...</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>就绪</translation>
    </message>
    <message>
        <source>Invalid partition</source>
        <translation>无效的分区</translation>
    </message>
    <message>
        <source>Cannot delete this partition: its ID &quot;%1&quot; is not of the form &apos;diskNumber:partitionNumber&apos;.
Nothing has been deleted.</source>
        <translation>无法删除此分区：其 ID“%1”不是“磁盘号:分区号”的形式。
未删除任何内容。</translation>
    </message>
    <message>
        <source>Final Confirmation</source>
        <translation>最终确认</translation>
    </message>
    <message>
        <source>⚠️ Final Confirmation ⚠️

You are about to delete the partition: %1
This action will permanently erase all data on this partition!

Are you sure you want to continue?</source>
        <translation>⚠️ 最终确认 ⚠️

您即将删除分区：%1
此操作将永久清除该分区上的所有数据！

确定要继续吗？</translation>
    </message>
    <message>
        <source>Cannot Delete</source>
        <translation>无法删除</translation>
    </message>
    <message>
        <source>%1

Nothing has been deleted.</source>
        <translation>%1

未删除任何内容。</translation>
    </message>
    <message>
        <source>Special Partition</source>
        <translation>特殊分区</translation>
    </message>
    <message>
        <source>%1

Delete it anyway?</source>
        <translation>%1

仍要删除吗？</translation>
    </message>
    <message>
        <source>Cancel operation</source>
        <translation>取消操作</translation>
    </message>
    <message>
        <source>The deletion of partition %1 has already started and cannot be stopped half-way.
It will finish, and its result will be shown.

Close this window and let the deletion finish?</source>
        <translation>分区 %1 的删除已经开始，无法中途停止。
删除会继续完成，并显示其结果。

关闭此窗口并让删除完成吗？</translation>
    </message>
    <message>
        <source>Delete completed</source>
        <translation>删除完成</translation>
    </message>
    <message>
        <source>Deleted successfully</source>
        <translation>删除成功</translation>
    </message>
    <message>
        <source>Delete failed</source>
        <translation>删除失败</translation>
    </message>
    <message>
        <source>%1 was deleted successfully.

Click &apos;OK&apos; to close the window.</source>
        <translation>%1 已成功删除！

点击“确定”关闭窗口。</translation>
    </message>
    <message>
        <source>Deleting %1 failed:
%2</source>
        <translation>删除 %1 失败：
%2</translation>
    </message>
    <message>
        <source>Partition to delete: %1</source>
        <translation>要删除的分区：%1</translation>
    </message>
</context>
<context>
    <name>DiskOperationWorker</name>
    <message>
        <source>Another delete operation is in progress</source>
        <translation>另一个删除操作正在进行</translation>
    </message>
    <message>
        <source>Deleting partition....</source>
        <translation>正在删除分区....</translation>
    </message>
    <message>
        <source>Partition deletion completed</source>
        <translation>分区删除完成</translation>
    </message>
    <message>
        <source>Exception occurred when deleting a partition: %1</source>
        <translation>删除分区时发生异常：%1</translation>
    </message>
    <message>
        <source>Unknown exception occurred when deleting a partition</source>
        <translation>删除分区时发生未知异常</translation>
    </message>
    <message>
        <source>Unable to create temporary script file</source>
        <translation>无法创建临时脚本文件</translation>
    </message>
    <message>
        <source>Error occurred during deletion:
%1</source>
        <translation>删除过程中出错：
%1</translation>
    </message>
    <message>
        <source>Deletion failed:
%1</source>
        <translation>删除失败：
%1</translation>
    </message>
    <message>
        <source>分区合并</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分区删除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分区格式化</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无操作</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法创建diskpart脚本文件: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>启动diskpart失败: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart 执行超时（%1秒）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart 异常退出

输出信息：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart 执行失败，退出码: %1

输出信息：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不支持的文件系统: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>格式化异常: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>格式化过程中发生未知异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>格式化成功完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无效的分区路径：路径为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无效的磁盘:分区格式，无法解析数字</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无效的分区路径格式: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>启动diskpart失败，错误码: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart 执行失败，退出码: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>大容量FAT32格式化需要盘符: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法启动 fat32format.exe，检查路径或权限: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>fat32format.exe 执行超时（%1秒）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>驱动器 %1 正被其他程序使用。

请尝试以下解决方案：
1. 关闭文件管理器中打开的 %1 驱动器窗口
2. 结束可能正在使用该驱动器的程序
3. 在任务管理器中结束相关进程
4. 重启计算机后再试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法访问驱动器 %1。

可能的原因：
1. 驱动器已被其他程序独占
2. 驱动器正在被系统使用
3. 需要重新插拔USB设备（如果是移动设备）

建议：重启计算机后重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>格式化失败，错误码: %1

输出信息：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>fat32format.exe 异常退出，状态: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user canceled the merge operation</source>
        <translation>用户取消了合并操作</translation>
    </message>
    <message>
        <source>The merge operation ran past its time limit and was stopped</source>
        <translation>合并操作超过了时间限制，已被停止</translation>
    </message>
    <message>
        <source>Initializing merge operation...</source>
        <translation>正在初始化合并操作...</translation>
    </message>
    <message>
        <source>Ready to merge</source>
        <translation>准备合并</translation>
    </message>
    <message>
        <source>Merge operation exception: %1</source>
        <translation>合并操作异常：%1</translation>
    </message>
    <message>
        <source>Unknown exception occurred in the merge operation</source>
        <translation>合并操作中发生未知异常</translation>
    </message>
    <message>
        <source>Merge operation failed</source>
        <translation>合并操作失败</translation>
    </message>
    <message>
        <source>Verify merge conditions</source>
        <translation>验证合并条件</translation>
    </message>
    <message>
        <source>Verifying partition status and merge conditions...</source>
        <translation>正在验证分区状态和合并条件...</translation>
    </message>
    <message>
        <source>Uninstall partition</source>
        <translation>卸载分区</translation>
    </message>
    <message>
        <source>Uninstalling related partitions...</source>
        <translation>正在卸载相关分区...</translation>
    </message>
    <message>
        <source>Merge partition</source>
        <translation>合并分区</translation>
    </message>
    <message>
        <source>Deleting target partition and extending source partition...</source>
        <translation>正在删除目标分区并扩展源分区...</translation>
    </message>
    <message>
        <source>Merge unallocated space</source>
        <translation>合并未分配空间</translation>
    </message>
    <message>
        <source>Merge unallocated space into partition...</source>
        <translation>正在将未分配空间合并到分区...</translation>
    </message>
    <message>
        <source>Partition merge failed</source>
        <translation>分区合并失败</translation>
    </message>
    <message>
        <source>Resizing file system</source>
        <translation>调整文件系统大小</translation>
    </message>
    <message>
        <source>Resizing file system...</source>
        <translation>正在调整文件系统大小...</translation>
    </message>
    <message>
        <source>Updating partition table</source>
        <translation>更新分区表</translation>
    </message>
    <message>
        <source>Refreshing partition table...</source>
        <translation>正在刷新分区表...</translation>
    </message>
    <message>
        <source>Remounting partition</source>
        <translation>重新挂载分区</translation>
    </message>
    <message>
        <source>Remounting partition...</source>
        <translation>正在重新挂载分区...</translation>
    </message>
    <message>
        <source>Merge completed</source>
        <translation>合并完成</translation>
    </message>
    <message>
        <source>Merge operation completed successfully</source>
        <translation>合并操作成功完成</translation>
    </message>
    <message>
        <source>Merge condition validation failed</source>
        <translation>合并条件验证失败</translation>
    </message>
    <message>
        <source>Merge condition validation failed: a %1 partition cannot be extended. Nothing has been changed.</source>
        <translation>合并条件验证失败：%1 分区无法扩展。未做任何更改。</translation>
    </message>
    <message>
        <source>Process execution failed: diskpart process execution timed out</source>
        <translation>进程执行失败：diskpart 进程执行超时</translation>
    </message>
    <message>
        <source>The operation has been canceled</source>
        <translation>操作已取消</translation>
    </message>
    <message>
        <source>The format was canceled before it began; the partition is unchanged.</source>
        <translation>格式化在开始之前已取消；分区未做任何更改。</translation>
    </message>
    <message>
        <source>Formatting canceled: %1 of %2 partitions formatted; %3 not started and left as they were. %4</source>
        <translation>格式化已取消：%2 个分区中已格式化 %1 个；%3 个未开始，保持原样。%4</translation>
    </message>
    <message>
        <source>Operation timed out, canceling...</source>
        <translation>操作超时，正在取消...</translation>
    </message>
    <message>
        <source>diskpart process crashed abnormally</source>
        <translation>diskpart 进程异常崩溃</translation>
    </message>
    <message>
        <source>failed to start the diskpart process</source>
        <translation>无法启动 diskpart 进程</translation>
    </message>
    <message>
        <source>diskpart process crashed</source>
        <translation>diskpart 进程崩溃</translation>
    </message>
    <message>
        <source>diskpart process read error</source>
        <translation>diskpart 进程读取错误</translation>
    </message>
    <message>
        <source>diskpart process write error</source>
        <translation>diskpart 进程写入错误</translation>
    </message>
    <message>
        <source>unknown diskpart process error</source>
        <translation>未知的 diskpart 进程错误</translation>
    </message>
    <message>
        <source>Process execution failed: %1</source>
        <translation>进程执行失败：%1</translation>
    </message>
    <message>
        <source>Ready to create partition...</source>
        <translation>准备创建分区...</translation>
    </message>
    <message>
        <source>WindowsStorageManager is not initialized</source>
        <translation>存储管理器尚未初始化</translation>
    </message>
    <message>
        <source>Creating partition %1/%2...</source>
        <translation>正在创建分区 %1/%2...</translation>
    </message>
    <message>
        <source>创建第 %1 个分区失败: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 Created successfully</source>
        <translation>分区 %1 创建成功</translation>
    </message>
    <message>
        <source>All partitions created, ready to format...</source>
        <translation>所有分区已创建，准备格式化...</translation>
    </message>
    <message>
        <source>Partition creation completed (unformatted)</source>
        <translation>分区创建完成（未格式化）</translation>
    </message>
    <message>
        <source>Successfully created %1 partitions</source>
        <translation>已成功创建 %1 个分区</translation>
    </message>
    <message>
        <source>No tasks to process</source>
        <translation>没有要处理的任务</translation>
    </message>
    <message>
        <source>Partition %1 formatted successfully</source>
        <translation>分区 %1 格式化成功</translation>
    </message>
    <message>
        <source>格式化失败: %1; </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All %1 partitions formatted successfully</source>
        <translation>全部 %1 个分区格式化成功</translation>
    </message>
    <message>
        <source>Partition creation and formatting are all completed！</source>
        <translation>分区创建和格式化全部完成！</translation>
    </message>
    <message>
        <source>The formatting process failed: %1</source>
        <translation>格式化过程失败：%1</translation>
    </message>
    <message>
        <source>Invalid partition ID: %1</source>
        <translation>无效的分区 ID：%1</translation>
    </message>
    <message>
        <source>The new size must be at least 1 MB</source>
        <translation>新大小必须至少为 1 MB</translation>
    </message>
    <message>
        <source>The partition layout could not be read</source>
        <translation>无法读取分区布局</translation>
    </message>
    <message>
        <source>Partition %1 was not found</source>
        <translation>未找到分区 %1</translation>
    </message>
    <message>
        <source>The new size is larger than the partition and the unallocated space after it (at most %1 bytes)</source>
        <translation>新大小超过了该分区及其后未分配空间的总和（最多 %1 字节）</translation>
    </message>
    <message>
        <source>Failed to resize partition: %1</source>
        <translation>调整分区大小失败：%1</translation>
    </message>
    <message>
        <source>Failed to convert FAT32 to NTFS</source>
        <translation>无法将 FAT32 转换为 NTFS</translation>
    </message>
    <message>
        <source>Partition resized successfully</source>
        <translation>分区大小调整成功</translation>
    </message>
    <message>
        <source>Failed to resize partition</source>
        <translation>调整分区大小失败</translation>
    </message>
    <message>
        <source>Already NTFS, no conversion needed</source>
        <translation>已经是 NTFS，无需转换</translation>
    </message>
    <message>
        <source>Invalid parameter: neither drive letter nor partition ID</source>
        <translation>参数无效：既不是驱动器号也不是分区 ID</translation>
    </message>
    <message>
        <source>diskpart格式化命令执行失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart格式化成功完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another operation is in progress, please try again later</source>
        <translation>另一个操作正在进行中，请稍后再试</translation>
    </message>
    <message>
        <source>Initializing partition split operation...</source>
        <translation>正在初始化分区拆分操作...</translation>
    </message>
    <message>
        <source>Ready to split</source>
        <translation>准备拆分</translation>
    </message>
    <message>
        <source>The user canceled the split operation</source>
        <translation>用户取消了拆分操作</translation>
    </message>
    <message>
        <source>验证拆分条件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在验证分区状态和拆分条件...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>拆分条件验证失败: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start split operation</source>
        <translation>开始拆分操作</translation>
    </message>
    <message>
        <source>Partition split is being executed...</source>
        <translation>正在执行分区拆分...</translation>
    </message>
    <message>
        <source>Split completed</source>
        <translation>拆分完成</translation>
    </message>
    <message>
        <source>Partition split completed successfully.</source>
        <translation>分区拆分已成功完成。</translation>
    </message>
    <message>
        <source>Partition split failed</source>
        <translation>分区拆分失败</translation>
    </message>
    <message>
        <source>An error occurred during partition split: %1</source>
        <translation>分区拆分过程中出错: %1</translation>
    </message>
    <message>
        <source>An unknown error occurred during partition split</source>
        <translation>分区拆分过程中发生未知错误</translation>
    </message>
    <message>
        <source>Invalid split parameters</source>
        <translation>拆分参数无效</translation>
    </message>
    <message>
        <source>Storage manager is not initialized</source>
        <translation>存储管理器未初始化</translation>
    </message>
    <message>
        <source>Keep partition size requires at least %1 MB</source>
        <translation>保留分区大小至少需要 %1 MB</translation>
    </message>
    <message>
        <source>New partition size requires at least %1 MB</source>
        <translation>新分区大小至少需要 %1 MB</translation>
    </message>
    <message>
        <source>The total size of the reserved partition and the new partition does not match the original partition size, difference: %1 bytes (exceeds the %2 byte tolerance)</source>
        <translation>保留分区与新分区的总大小与原分区大小不符，相差 %1 字节（超出 %2 字节的容差）</translation>
    </message>
    <message>
        <source>Invalid partition ID format</source>
        <translation>分区 ID 格式无效</translation>
    </message>
    <message>
        <source>%1

This partition cannot be split.</source>
        <translation>%1

此分区无法拆分。</translation>
    </message>
    <message>
        <source>A %1 partition cannot be shrunk, so it cannot be split. Only NTFS partitions can be split.</source>
        <translation>%1 分区无法缩小，因此无法拆分。只有 NTFS 分区可以拆分。</translation>
    </message>
    <message>
        <source>Unable to parse disk index</source>
        <translation>无法解析磁盘索引</translation>
    </message>
    <message>
        <source>Adjusting the original partition size</source>
        <translation>正在调整原分区大小</translation>
    </message>
    <message>
        <source>Adjusting the partition to %1 GB...</source>
        <translation>正在将分区调整为 %1 GB...</translation>
    </message>
    <message>
        <source>调整原分区大小失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to create new partition: %1</source>
        <translation>创建新分区失败: %1</translation>
    </message>
    <message>
        <source>The user canceled the split operation; the partition was already shrunk and the freed space is left unallocated</source>
        <translation>用户取消了拆分操作；分区已被缩小，释放的空间保持未分配</translation>
    </message>
    <message>
        <source>Creating new partition</source>
        <translation>正在创建新分区</translation>
    </message>
    <message>
        <source>Creating and formatting new partition...</source>
        <translation>正在创建并格式化新分区...</translation>
    </message>
    <message>
        <source>Partition split completed!</source>
        <translation>分区拆分完成！</translation>
    </message>
    <message>
        <source>Partition split successful</source>
        <translation>分区拆分成功</translation>
    </message>
    <message>
        <source>Partition splitting completed successfully!

</source>
        <translation>分区拆分已成功完成！

</translation>
    </message>
    <message>
        <source>Original partition has been adjusted to: %1 GB
</source>
        <translation>原分区已调整为: %1 GB
</translation>
    </message>
    <message>
        <source>New partition has been created: %2 GB</source>
        <translation>已创建新分区: %2 GB</translation>
    </message>
    <message>
        <source>
File System: %1</source>
        <translation>
文件系统: %1</translation>
    </message>
    <message>
        <source>Label: %1</source>
        <translation>卷标: %1</translation>
    </message>
    <message>
        <source>%1 Nothing has been changed.</source>
        <translation>%1 未做任何更改。</translation>
    </message>
    <message>
        <source>The new size is smaller than the files and the file system on the partition need (at least %1 bytes)</source>
        <translation>新大小小于该分区上的文件和文件系统所需的空间（至少 %1 字节）</translation>
    </message>
    <message>
        <source>Free space has no drive letter. Create a partition in it first.</source>
        <translation>未分配空间没有驱动器号。请先在其中创建分区。</translation>
    </message>
    <message>
        <source>C: holds the running Windows: its letter cannot change while Windows runs from it.</source>
        <translation>C: 上是正在运行的 Windows：Windows 从它运行时不能更改其驱动器号。</translation>
    </message>
    <message>
        <source>A Microsoft Reserved partition holds no volume, so it can have no drive letter.</source>
        <translation>Microsoft 保留分区不含卷，因此不能有驱动器号。</translation>
    </message>
    <message>
        <source>An extended partition holds logical drives, not a volume: give the letter to one of its logical drives.</source>
        <translation>扩展分区包含的是逻辑驱动器而不是卷：请把驱动器号分配给其中的某个逻辑驱动器。</translation>
    </message>
    <message>
        <source>Free space has no volume to rename. Create a partition in it first.</source>
        <translation>未分配空间没有可重命名的卷。请先在其中创建分区。</translation>
    </message>
    <message>
        <source>%1 has no drive letter. Give it one first (Change Drive Letter), then rename it.</source>
        <translation>%1 没有驱动器号。请先为它分配一个（更改驱动器号），再重命名。</translation>
    </message>
    <message>
        <source>%1 holds no file system, so it has no name to change. Format it first.</source>
        <translation>%1 上没有文件系统，因此没有可更改的名称。请先格式化。</translation>
    </message>
    <message>
        <source>%1 is no partition style.</source>
        <translation>%1 不是有效的分区形式。</translation>
    </message>
    <message>
        <source>Disk %1 is no longer there.</source>
        <translation>磁盘 %1 已不存在。</translation>
    </message>
    <message>
        <source>Disk %1 is already initialised (%2): initialising it again would lose its partitions.</source>
        <translation>磁盘 %1 已初始化（%2）：再次初始化会丢失其上的分区。</translation>
    </message>
    <message>
        <source>Disk %1 was not initialised: %2 Nothing was changed.</source>
        <translation>磁盘 %1 未初始化：%2 没有做任何更改。</translation>
    </message>
    <message>
        <source>Disk %1 could not be initialised: %2. It is still uninitialised.</source>
        <translation>无法初始化磁盘 %1：%2。它仍未初始化。</translation>
    </message>
    <message>
        <source>Disk %1 reported a failure (%2), yet it now reads as %3.</source>
        <translation>磁盘 %1 报告失败（%2），但它现在显示为 %3。</translation>
    </message>
    <message>
        <source>Disk %1 is initialised as %2. Its space is free for new partitions.</source>
        <translation>磁盘 %1 已初始化为 %2。其空间可用于创建新分区。</translation>
    </message>
    <message>
        <source>Windows reserved the first %1 MB for itself (a Microsoft Reserved partition).</source>
        <translation>Windows 为自身保留了开头的 %1 MB（Microsoft 保留分区）。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no drive letter: letters run from A to Z.</source>
        <translation>“%1”不是驱动器号：驱动器号为 A 到 Z。</translation>
    </message>
    <message>
        <source>%1 has no drive letter to take away.</source>
        <translation>%1 没有可删除的驱动器号。</translation>
    </message>
    <message>
        <source>%1 has that letter already.</source>
        <translation>%1 已经是这个驱动器号。</translation>
    </message>
    <message>
        <source>%1 is in use by another drive.</source>
        <translation>%1 已被另一个驱动器使用。</translation>
    </message>
    <message>
        <source>The drive letter of %1 was not changed: %2</source>
        <translation>%1 的驱动器号未更改：%2</translation>
    </message>
    <message>
        <source>%1 could not be taken from %2: %3. The partition keeps it.</source>
        <translation>无法从 %2 删除 %1：%3。分区保留该驱动器号。</translation>
    </message>
    <message>
        <source>%1 no longer has a drive letter; its files are kept. Programs and shortcuts that used %2 will not find it until it has a letter again.</source>
        <translation>%1 已没有驱动器号；其中的文件保留。使用 %2 的程序和快捷方式在它重新获得驱动器号之前都找不到它。</translation>
    </message>
    <message>
        <source>Partition %1 of Disk %2 now has the letter %3.</source>
        <translation>磁盘 %2 的分区 %1 现在的驱动器号为 %3。</translation>
    </message>
    <message>
        <source>%1 is now %2. Programs and shortcuts that used %1 need the new letter.</source>
        <translation>%1 现在是 %2。使用 %1 的程序和快捷方式需要改用新的驱动器号。</translation>
    </message>
    <message>
        <source>%1 could not be given to %2: %3. The partition still has no letter.</source>
        <translation>无法将 %1 分配给 %2：%3。分区仍没有驱动器号。</translation>
    </message>
    <message>
        <source>%1 could not be given to %2: %3. The partition has its letter %4 back.</source>
        <translation>无法将 %1 分配给 %2：%3。分区已恢复其驱动器号 %4。</translation>
    </message>
    <message>
        <source>%1 could not be given to %2: %3. Giving %4 back failed too (%5): the partition has no letter now.</source>
        <translation>无法将 %1 分配给 %2：%3。恢复 %4 也失败了（%5）：分区现在没有驱动器号。</translation>
    </message>
    <message>
        <source>%1 was not renamed: %2</source>
        <translation>%1 未重命名：%2</translation>
    </message>
    <message>
        <source>%1 could not be renamed: %2. Its name is unchanged.</source>
        <translation>无法重命名 %1：%2。其名称未变。</translation>
    </message>
    <message>
        <source>%1 no longer has a name.</source>
        <translation>%1 已没有卷标。</translation>
    </message>
    <message>
        <source>%1 is now named %2.</source>
        <translation>%1 的卷标现在是 %2。</translation>
    </message>
    <message>
        <source>It was reformatted from FAT32 to NTFS first; the files it held were erased.</source>
        <translation>它先从 FAT32 重新格式化为 NTFS；其中原有的文件已被清除。</translation>
    </message>
    <message>
        <source>It was reformatted from FAT32 to NTFS first; the files it held were erased, its label “%1” was kept.</source>
        <translation>它先从 FAT32 重新格式化为 NTFS；其中原有的文件已被清除，卷标“%1”已保留。</translation>
    </message>
    <message>
        <source>It was reformatted from FAT32 to NTFS first; the files it held were erased, and its label “%1” could not be given back: %2.</source>
        <translation>它先从 FAT32 重新格式化为 NTFS；其中原有的文件已被清除，卷标“%1”未能恢复：%2。</translation>
    </message>
    <message>
        <source>the partition has no drive letter to name it through</source>
        <translation>该分区没有可用于设置卷标的驱动器号</translation>
    </message>
    <message>
        <source>Partition %1 did not get the letter %2 (it is in use or cannot be given); it has %3.</source>
        <translation>分区 %1 未能获得驱动器号 %2（已被占用或无法分配）；它现在是 %3。</translation>
    </message>
    <message>
        <source>no letter</source>
        <translation>无驱动器号</translation>
    </message>
    <message>
        <source>The partition made before it was removed again; the disk is as it was.</source>
        <translation>在它之前创建的分区已被删除；磁盘恢复原样。</translation>
    </message>
    <message>
        <source>The %1 partitions made before it were removed again; the disk is as it was.</source>
        <translation>在它之前创建的 %1 个分区已被删除；磁盘恢复原样。</translation>
    </message>
    <message>
        <source>Removing the partitions made before it failed: %1 remain on the disk.</source>
        <translation>删除在它之前创建的分区失败：%1 仍留在磁盘上。</translation>
    </message>
    <message>
        <source>It had been reformatted from FAT32 to NTFS first, so the files it held are gone; it keeps its old size.</source>
        <translation>它此前已从 FAT32 重新格式化为 NTFS，原有文件已不存在；其大小保持不变。</translation>
    </message>
    <message>
        <source>Partition %1 was created and stays on the disk without a file system.</source>
        <translation>分区 %1 已创建，但仍留在磁盘上，没有文件系统。</translation>
    </message>
    <message>
        <source>Partitions %1 were created and stay on the disk without a file system.</source>
        <translation>分区 %1 已创建，但仍留在磁盘上，没有文件系统。</translation>
    </message>
    <message>
        <source>Partition merge failed: %1</source>
        <translation>分区合并失败：%1</translation>
    </message>
    <message>
        <source>the shrunk partition could not be read again</source>
        <translation>无法再次读取已缩小的分区</translation>
    </message>
    <message>
        <source>The new partition could not be formatted: %1</source>
        <translation>新分区无法格式化：%1</translation>
    </message>
    <message>
        <source>The new partition %1 could not be removed: it stays on the disk, and %2 keeps its smaller size.</source>
        <translation>无法删除新分区 %1：它仍留在磁盘上，%2 保持缩小后的大小。</translation>
    </message>
    <message>
        <source>%1 could not be given its old size back: it stays at %2 GB and the space it gave up is free.</source>
        <translation>无法将 %1 恢复到原来的大小：它保持 %2 GB，让出的空间为未分配空间。</translation>
    </message>
    <message>
        <source>The new partition was removed again and %1 has its old size (%2 GB) back; the disk is as it was.</source>
        <translation>新分区已被删除，%1 已恢复原来的大小（%2 GB）；磁盘恢复原样。</translation>
    </message>
    <message>
        <source>%1 has its old size (%2 GB) back; the disk is as it was.</source>
        <translation>%1 已恢复原来的大小（%2 GB）；磁盘恢复原样。</translation>
    </message>
    <message>
        <source>Successfully merged %1 into %2.

 Original partition size: %3, new partition size: %4, increased space: %5</source>
        <translation>已成功将 %1 合并到 %2。

 原分区大小：%3，新分区大小：%4，增加的空间：%5</translation>
    </message>
    <message>
        <source>Successfully merged %1 of unallocated space into %2.

New partition size: %3</source>
        <translation>已成功将 %1 未分配空间合并到 %2。

新分区大小：%3</translation>
    </message>
    <message>
        <source>%1 had already been deleted: its space is now unallocated, and %2 keeps its old size.</source>
        <translation>%1 已被删除：其空间现为未分配空间，%2 保持原大小。</translation>
    </message>
    <message>
        <source>Partition %1 could not be formatted</source>
        <translation>分区 %1 无法格式化</translation>
    </message>
    <message>
        <source>%1 of %2 partitions formatted. %3</source>
        <translation>已格式化 %1/%2 个分区。%3</translation>
    </message>
    <message>
        <source>The merge is done and %1 now holds %2, but no drive letter could be given back to it: %3

It has no drive letter now; give it one with Change Drive Letter.</source>
        <translation>合并已完成，%1 现为 %2，但无法为其恢复驱动器号：%3

它现在没有驱动器号；请用“更改驱动器号”为其分配一个。</translation>
    </message>
    <message>
        <source>The partition could not be shrunk: %1</source>
        <translation>无法压缩该分区：%1</translation>
    </message>
    <message>
        <source>

The volume lost its letter %1 and could not get it back: it has no drive letter now.</source>
        <translation>

该卷失去了驱动器号 %1，且未能恢复：它现在没有驱动器号。</translation>
    </message>
    <message>
        <source>Partition %1: %2.</source>
        <translation>分区 %1：%2。</translation>
    </message>
    <message>
        <source>formatted, but the label &quot;%1&quot; could not be set: %2</source>
        <translation>已格式化，但无法设置卷标“%1”：%2</translation>
    </message>
    <message>
        <source>the volume has no drive letter to name it through</source>
        <translation>该卷没有可用于设置卷标的驱动器号</translation>
    </message>
    <message>
        <source>Its drive letter %1 could not be given back; it has another one now.</source>
        <translation>无法恢复其驱动器号 %1；它现在使用另一个驱动器号。</translation>
    </message>
    <message>
        <source>Its drive letter %1 could not be given back; it has the letter %2 now.</source>
        <translation>无法恢复其驱动器号 %1；它现在的驱动器号为 %2。</translation>
    </message>
    <message>
        <source>%1.</source>
        <translation>%1。</translation>
    </message>
</context>
<context>
    <name>DiskPartitionPage</name>
    <message>
        <source>Create New Partitions</source>
        <translation>创建新分区</translation>
    </message>
    <message>
        <source>Unallocated Space</source>
        <translation>未分配空间</translation>
    </message>
    <message>
        <source>71.21 GB available</source>
        <translation>71.21 GB 可用</translation>
    </message>
    <message>
        <source>0% allocated</source>
        <translation>已分配 0%</translation>
    </message>
    <message>
        <source>SIZE</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>LETTER</source>
        <translation>驱动器号</translation>
    </message>
    <message>
        <source>FILE SYSTEM</source>
        <translation>文件系统</translation>
    </message>
    <message>
        <source>VOLUME</source>
        <translation>卷标</translation>
    </message>
    <message>
        <source>ACTIONS</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>Size (MB)</source>
        <translation>大小 (MB)</translation>
    </message>
    <message>
        <source>Drive Letter</source>
        <translation>驱动器号</translation>
    </message>
    <message>
        <source>File System</source>
        <translation>文件系统</translation>
    </message>
    <message>
        <source>10.00</source>
        <translation>10.00</translation>
    </message>
    <message>
        <source>+ Add New</source>
        <translation>+ 新增</translation>
    </message>
    <message>
        <source>Quick Format All Partitions</source>
        <translation>快速格式化所有分区</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Unallocated</source>
        <translation>未分配</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>%1 available</source>
        <translation>%1 可用</translation>
    </message>
    <message>
        <source>%1% allocated</source>
        <translation>已分配 %1%</translation>
    </message>
    <message>
        <source>Not formatted</source>
        <translation>不格式化</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Insufficient Space</source>
        <translation>空间不足</translation>
    </message>
    <message>
        <source>Not enough unallocated space to create a new partition.
At least 32 MB is required.</source>
        <translation>未分配空间不足，无法创建新分区。
至少需要 32 MB。</translation>
    </message>
    <message>
        <source>Input Required</source>
        <translation>需要输入</translation>
    </message>
    <message>
        <source>Please enter partition size.</source>
        <translation>请输入分区大小。</translation>
    </message>
    <message>
        <source>Invalid Size</source>
        <translation>大小无效</translation>
    </message>
    <message>
        <source>Please enter a valid partition size.</source>
        <translation>请输入有效的分区大小。</translation>
    </message>
    <message>
        <source>Size Too Large</source>
        <translation>大小过大</translation>
    </message>
    <message>
        <source>Requested size (%1) exceeds available space (%2).</source>
        <translation>请求的大小（%1）超过了可用空间（%2）。</translation>
    </message>
    <message>
        <source>Drive Letter Unavailable</source>
        <translation>驱动器号不可用</translation>
    </message>
    <message>
        <source>Drive letter &apos;%1&apos; is not available.
Available letters: %2</source>
        <translation>驱动器号“%1”不可用。
可用的驱动器号：%2</translation>
    </message>
    <message>
        <source>No Available Drive Letter</source>
        <translation>没有可用的驱动器号</translation>
    </message>
    <message>
        <source>No available drive letter for assignment!</source>
        <translation>没有可分配的驱动器号！</translation>
    </message>
    <message>
        <source>FAT32 has a 4GB file size limit and is compatible with most operating systems.</source>
        <translation>FAT32 的单个文件大小上限为 4GB，与大多数操作系统兼容。</translation>
    </message>
    <message>
        <source>exFAT is optimized for removable storage and supports large files.</source>
        <translation>exFAT 针对可移动存储设备优化，支持大文件。</translation>
    </message>
    <message>
        <source>ReFS is designed for high availability and large-scale storage systems.</source>
        <translation>ReFS 专为高可用性和大规模存储系统而设计。</translation>
    </message>
    <message>
        <source>Edit Partition</source>
        <translation>编辑分区</translation>
    </message>
    <message>
        <source>Size (MB):</source>
        <translation>大小 (MB)：</translation>
    </message>
    <message>
        <source>Drive Letter:</source>
        <translation>驱动器号：</translation>
    </message>
    <message>
        <source>File System:</source>
        <translation>文件系统：</translation>
    </message>
    <message>
        <source>Volume Label:</source>
        <translation>卷标：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Drive letter &apos;%1&apos; is not available.</source>
        <translation>驱动器号“%1”不可用。</translation>
    </message>
    <message>
        <source>Delete Partition</source>
        <translation>删除分区</translation>
    </message>
    <message>
        <source>Are you sure you want to delete partition &apos;%1&apos;?</source>
        <translation>确定要删除分区“%1”吗？</translation>
    </message>
    <message>
        <source>Discard Changes</source>
        <translation>放弃更改</translation>
    </message>
    <message>
        <source>You have unsaved partition changes.
Are you sure you want to discard them?</source>
        <translation>您有尚未保存的分区更改。
确定要放弃这些更改吗？</translation>
    </message>
    <message>
        <source>No Partitions</source>
        <translation>没有分区</translation>
    </message>
    <message>
        <source>No new partitions to create.
Please add at least one partition.</source>
        <translation>没有要创建的新分区。
请至少添加一个分区。</translation>
    </message>
    <message>
        <source>New Volume %1</source>
        <translation>新加卷 %1</translation>
    </message>
    <message>
        <source>New Volume</source>
        <translation>新加卷</translation>
    </message>
    <message>
        <source>Partition Table Full</source>
        <translation>分区表已满</translation>
    </message>
    <message>
        <source>Free Space</source>
        <translation>可用空间</translation>
    </message>
    <message>
        <source>Free Space for Logical Drives</source>
        <translation>可用于逻辑驱动器的空间</translation>
    </message>
</context>
<context>
    <name>DiskStatus</name>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Degraded</source>
        <translation>降级</translation>
    </message>
    <message>
        <source>Stressed</source>
        <translation>压力过大</translation>
    </message>
    <message>
        <source>Predictive Failure</source>
        <translation>预测故障</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Non-Recoverable Error</source>
        <translation>不可恢复的错误</translation>
    </message>
    <message>
        <source>Starting</source>
        <translation>正在启动</translation>
    </message>
    <message>
        <source>Stopping</source>
        <translation>正在停止</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>In Service</source>
        <translation>服务中</translation>
    </message>
    <message>
        <source>No Contact</source>
        <translation>无联系</translation>
    </message>
    <message>
        <source>Lost Communication</source>
        <translation>通信中断</translation>
    </message>
    <message>
        <source>Aborted</source>
        <translation>已中止</translation>
    </message>
    <message>
        <source>Dormant</source>
        <translation>休眠</translation>
    </message>
    <message>
        <source>Supporting Entity in Error</source>
        <translation>支持实体出错</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>联机</translation>
    </message>
    <message>
        <source>Not Ready</source>
        <translation>未就绪</translation>
    </message>
    <message>
        <source>No Media</source>
        <translation>无介质</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>脱机</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
</context>
<context>
    <name>DriveLetterDialog</name>
    <message>
        <source>Change Drive Letter</source>
        <translation>更改驱动器号</translation>
    </message>
    <message>
        <source>Drive letter for %1:</source>
        <translation>%1 的驱动器号：</translation>
    </message>
    <message>
        <source>%1: (now)</source>
        <translation>%1:（当前）</translation>
    </message>
    <message>
        <source>No letter</source>
        <translation>无驱动器号</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>更改</translation>
    </message>
    <message>
        <source>The partition has no letter now.</source>
        <translation>分区当前没有驱动器号。</translation>
    </message>
    <message>
        <source>This is the letter it has now.</source>
        <translation>这是它当前的驱动器号。</translation>
    </message>
    <message>
        <source>The volume and its files stay, but neither Explorer nor programs can reach it until it has a letter again.</source>
        <translation>卷及其文件保留，但在重新获得驱动器号之前，资源管理器和程序都无法访问它。</translation>
    </message>
    <message>
        <source>The volume will be reachable as %1:.</source>
        <translation>该卷将可通过 %1: 访问。</translation>
    </message>
    <message>
        <source>Programs and shortcuts that use %1: will not find the volume under %2:.</source>
        <translation>使用 %1: 的程序和快捷方式将无法在 %2: 下找到该卷。</translation>
    </message>
</context>
<context>
    <name>InitializeDiskDialog</name>
    <message>
        <source>Initialize Disk</source>
        <translation>初始化磁盘</translation>
    </message>
    <message>
        <source>Disk %1 (%2, %3) is not initialised: it has no partition table, so Windows can keep no partition on it. Choose the table it gets:</source>
        <translation>磁盘 %1（%2，%3）尚未初始化：它没有分区表，因此 Windows 无法在其上存放分区。请选择分区表形式：</translation>
    </message>
    <message>
        <source>GPT (GUID Partition Table)</source>
        <translation>GPT（GUID 分区表）</translation>
    </message>
    <message>
        <source>Recommended: up to 128 partitions on disks of any size. Windows 8 and later, and every UEFI computer, read it.</source>
        <translation>推荐：任意大小的磁盘上最多 128 个分区。Windows 8 及更高版本以及所有 UEFI 计算机都能识别。</translation>
    </message>
    <message>
        <source>MBR (Master Boot Record)</source>
        <translation>MBR（主启动记录）</translation>
    </message>
    <message>
        <source>For older computers and tools: at most 2 TiB and four primary partitions.</source>
        <translation>用于较旧的计算机和工具：最多 2 TiB 和四个主分区。</translation>
    </message>
    <message>
        <source>Only the first 2 TiB of this disk could be used.</source>
        <translation>此磁盘只有前 2 TiB 可以使用。</translation>
    </message>
    <message>
        <source>Initialize</source>
        <translation>初始化</translation>
    </message>
</context>
<context>
    <name>JobEnd</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>JobReport</name>
    <message>
        <source>create %1 partitions on disk %2</source>
        <translation>在磁盘 %2 上创建 %1 个分区</translation>
    </message>
    <message>
        <source>check the plan</source>
        <translation>检查计划</translation>
    </message>
    <message>
        <source>create partition %1 of %2</source>
        <translation>创建第 %1 个分区（共 %2 个）</translation>
    </message>
    <message>
        <source>delete partition %1:%2</source>
        <translation>删除分区 %1:%2</translation>
    </message>
    <message>
        <source>delete partition</source>
        <translation>删除分区</translation>
    </message>
    <message>
        <source>format %1 as %2</source>
        <translation>将 %1 格式化为 %2</translation>
    </message>
    <message>
        <source>format</source>
        <translation>格式化</translation>
    </message>
    <message>
        <source>not run</source>
        <translation>未执行</translation>
    </message>
    <message>
        <source>done</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>running</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>succeeded</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source> (changes the disk)</source>
        <translation>（更改磁盘）</translation>
    </message>
    <message>
        <source>: </source>
        <translation>：</translation>
    </message>
    <message>
        <source>large FAT32 format of %1</source>
        <translation>以大容量 FAT32 格式化 %1</translation>
    </message>
    <message>
        <source>dismount</source>
        <translation>卸载卷</translation>
    </message>
    <message>
        <source>format with fat32format</source>
        <translation>用 fat32format 格式化</translation>
    </message>
    <message>
        <source>mount again</source>
        <translation>重新装载卷</translation>
    </message>
    <message>
        <source>name the volume</source>
        <translation>设置卷标</translation>
    </message>
    <message>
        <source>merge into partition %1 of disk %2</source>
        <translation>合并到磁盘 %2 的分区 %1</translation>
    </message>
    <message>
        <source>remove the drive letters</source>
        <translation>移除驱动器号</translation>
    </message>
    <message>
        <source>delete the partition on the right</source>
        <translation>删除右侧分区</translation>
    </message>
    <message>
        <source>extend over the freed space</source>
        <translation>扩展到释放的空间</translation>
    </message>
    <message>
        <source>extend over the unallocated space</source>
        <translation>扩展到未分配空间</translation>
    </message>
    <message>
        <source>let the file system grow</source>
        <translation>扩展文件系统</translation>
    </message>
    <message>
        <source>read the partition table again</source>
        <translation>重新读取分区表</translation>
    </message>
    <message>
        <source>give the drive letter back</source>
        <translation>恢复驱动器号</translation>
    </message>
    <message>
        <source>resize %1 to %2 bytes</source>
        <translation>将 %1 调整为 %2 字节</translation>
    </message>
    <message>
        <source>find the file system</source>
        <translation>识别文件系统</translation>
    </message>
    <message>
        <source>convert FAT32 to NTFS</source>
        <translation>将 FAT32 转换为 NTFS</translation>
    </message>
    <message>
        <source>resize</source>
        <translation>调整大小</translation>
    </message>
    <message>
        <source>split %1</source>
        <translation>拆分 %1</translation>
    </message>
    <message>
        <source>shrink the partition</source>
        <translation>压缩分区</translation>
    </message>
    <message>
        <source>create the new partition</source>
        <translation>创建新分区</translation>
    </message>
    <message>
        <source>remove the new partition %1</source>
        <translation>移除新分区 %1</translation>
    </message>
    <message>
        <source>give %1 its old size back</source>
        <translation>将 %1 恢复为原大小</translation>
    </message>
    <message>
        <source>initialize disk %1 as %2</source>
        <translation>将磁盘 %1 初始化为 %2</translation>
    </message>
    <message>
        <source>check that the disk is uninitialised</source>
        <translation>检查磁盘尚未初始化</translation>
    </message>
    <message>
        <source>write the partition table</source>
        <translation>写入分区表</translation>
    </message>
    <message>
        <source>change the drive letter of %1 from %2 to %3</source>
        <translation>将 %1 的驱动器号从 %2 改为 %3</translation>
    </message>
    <message>
        <source>check the partition and the letter</source>
        <translation>检查分区和驱动器号</translation>
    </message>
    <message>
        <source>remove %1</source>
        <translation>移除 %1</translation>
    </message>
    <message>
        <source>give %1</source>
        <translation>分配 %1</translation>
    </message>
    <message>
        <source>give %1 back</source>
        <translation>恢复 %1</translation>
    </message>
    <message>
        <source>rename %1 to &quot;%2&quot;</source>
        <translation>将 %1 重命名为“%2”</translation>
    </message>
    <message>
        <source>check the volume and the label</source>
        <translation>检查卷和卷标</translation>
    </message>
    <message>
        <source>set the label</source>
        <translation>设置卷标</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Disk Management - Storage Management API Edition</source>
        <translation>磁盘管理 - 存储管理 API 版</translation>
    </message>
    <message>
        <source>⚙️ Partition Manager</source>
        <translation>⚙️ 分区管理器</translation>
    </message>
    <message>
        <source>Your One-Stop Disk Management Expert</source>
        <translation>您的一站式磁盘管理专家</translation>
    </message>
    <message>
        <source>Partition/Disk</source>
        <translation>分区/磁盘</translation>
    </message>
    <message>
        <source>File System</source>
        <translation>文件系统</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>Usage</source>
        <translation>使用率</translation>
    </message>
    <message>
        <source>Statu</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>↔️ Resize/Move</source>
        <translation>↔️ 调整大小/移动</translation>
    </message>
    <message>
        <source>➕ New</source>
        <translation>➕ 新建</translation>
    </message>
    <message>
        <source>🔗 Merge</source>
        <translation>🔗 合并</translation>
    </message>
    <message>
        <source>📁 Format</source>
        <translation>📁 格式化</translation>
    </message>
    <message>
        <source>🗑️ Delete</source>
        <translation>🗑️ 删除</translation>
    </message>
    <message>
        <source>🔀 Split</source>
        <translation>🔀 拆分</translation>
    </message>
    <message>
        <source>🔄 Refresh</source>
        <translation>🔄 刷新</translation>
    </message>
    <message>
        <source>💿 Disk Clone - 磁盘克隆工具</source>
        <translation>💿 磁盘克隆 - 磁盘克隆工具</translation>
    </message>
    <message>
        <source>磁盘克隆功能正在开发中...</source>
        <translation>磁盘克隆功能正在开发中...</translation>
    </message>
    <message>
        <source>🔄 MBR Converter - MBR转换工具</source>
        <translation>🔄 MBR 转换器 - MBR转换工具</translation>
    </message>
    <message>
        <source>MBR转换功能正在开发中...</source>
        <translation>MBR转换功能正在开发中...</translation>
    </message>
    <message>
        <source>System Incompatible</source>
        <translation>系统不兼容</translation>
    </message>
    <message>
        <source>This application requires Windows 8 or later.

Your system: Windows %1.%2
Required: Windows 6.2 or later

The Storage Management API is not available on your system.</source>
        <translation>本程序需要 Windows 8 或更高版本。

您的系统：Windows %1.%2
要求：Windows 6.2 或更高版本

您的系统上没有存储管理 API。</translation>
    </message>
    <message>
        <source>Initializing Storage Management API...</source>
        <translation>正在初始化存储管理 API...</translation>
    </message>
    <message>
        <source>Refreshing disk information...</source>
        <translation>正在刷新磁盘信息...</translation>
    </message>
    <message>
        <source>Initialization Failed</source>
        <translation>初始化失败</translation>
    </message>
    <message>
        <source>Failed to initialize Windows Storage Management API.

Possible causes:
• Insufficient privileges (try running as administrator)
• Windows Management Instrumentation service not running
• Storage Management API not available
• System compatibility issues

Please check the following:
1. Run the application as administrator
2. Ensure Windows Management Instrumentation service is running
3. Verify your Windows version is 8 or later</source>
        <translation>无法初始化 Windows 存储管理 API。

可能的原因：
• 权限不足（请尝试以管理员身份运行）
• Windows 管理规范 (WMI) 服务未运行
• 存储管理 API 不可用
• 系统兼容性问题

请检查以下各项：
1. 以管理员身份运行本程序
2. 确保 Windows 管理规范 (WMI) 服务正在运行
3. 确认您的 Windows 版本为 8 或更高</translation>
    </message>
    <message>
        <source>Retry Initialization</source>
        <translation>重试初始化</translation>
    </message>
    <message>
        <source>Would you like to retry the initialization?</source>
        <translation>是否重试初始化？</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Morvane Tessaline v4.7.3

A powerful, intuitive disk partition manager designed for both beginners and pros. Effortlessly create, resize, merge, split, and format partitions—without data loss or complex steps. Easily manage your drives and optimize your storage space with one simple tool.

Keep your data safe. Keep your disks organized.</source>
        <translation>Morvane Tessaline v4.7.3

一款功能强大、直观易用的磁盘分区管理器，新手和专业人士都适用。轻松创建、调整大小、合并、拆分和格式化分区——不丢失数据，无需复杂步骤。用一个简单的工具轻松管理驱动器，优化存储空间。

保护数据安全，让磁盘井井有条。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Please select a partition to merge.</source>
        <translation>请选择要合并的分区。</translation>
    </message>
    <message>
        <source>Cannot Merge</source>
        <translation>无法合并</translation>
    </message>
    <message>
        <source>Cannot merge unallocated space. Please select a partition.</source>
        <translation>无法合并未分配空间。请选择一个分区。</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Failed to get disk ID.</source>
        <translation>无法获取磁盘 ID。</translation>
    </message>
    <message>
        <source>Cannot merge</source>
        <translation>无法合并</translation>
    </message>
    <message>
        <source>Merger Success</source>
        <translation>合并成功</translation>
    </message>
    <message>
        <source>Merge failed</source>
        <translation>合并失败</translation>
    </message>
    <message>
        <source>Partition merge operation failed:

%1</source>
        <translation>分区合并操作失败：

%1</translation>
    </message>
    <message>
        <source>🔍 Properties</source>
        <translation>🔍 属性</translation>
    </message>
    <message>
        <source>📊 Disk Information</source>
        <translation>📊 磁盘信息</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Properties functionality not implemented yet.</source>
        <translation>属性功能尚未实现。</translation>
    </message>
    <message>
        <source>Unallocated</source>
        <translation>未分配</translation>
    </message>
    <message>
        <source>Disk information</source>
        <translation>磁盘信息</translation>
    </message>
    <message>
        <source>Disk details

Disk name: %1
Disk ID: %2
Total capacity: %3
Status: %4
Number of partitions: %5</source>
        <translation>磁盘详情

磁盘名称：%1
磁盘 ID：%2
总容量：%3
状态：%4
分区数量：%5</translation>
    </message>
    <message>
        <source>Please select a partition to delete.</source>
        <translation>请选择要删除的分区。</translation>
    </message>
    <message>
        <source>Cannot Delete</source>
        <translation>无法删除</translation>
    </message>
    <message>
        <source>Cannot delete unallocated space.</source>
        <translation>无法删除未分配空间。</translation>
    </message>
    <message>
        <source>%1: completed</source>
        <translation>%1：已完成</translation>
    </message>
    <message>
        <source>%1: failed</source>
        <translation>%1：失败</translation>
    </message>
    <message>
        <source>Operation completed</source>
        <translation>操作完成</translation>
    </message>
    <message>
        <source>%1 completed successfully.</source>
        <translation>%1 已成功完成。</translation>
    </message>
    <message>
        <source>Operation failed</source>
        <translation>操作失败</translation>
    </message>
    <message>
        <source>%1 failed:
%2</source>
        <translation>%1 失败：
%2</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>样式 %1</source>
        <translation>样式 %1</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Disk %1 (%2)</source>
        <translation>磁盘 %1 (%2)</translation>
    </message>
    <message>
        <source>Unknown Disk</source>
        <translation>未知磁盘</translation>
    </message>
    <message>
        <source>Unused Partition</source>
        <translation>未使用的分区</translation>
    </message>
    <message>
        <source>Retrying disk refresh... (%1/3)</source>
        <translation>正在重试刷新磁盘... (%1/3)</translation>
    </message>
    <message>
        <source>Refresh Failed</source>
        <translation>刷新失败</translation>
    </message>
    <message>
        <source>Failed to refresh disk information after multiple attempts.

Possible causes:
• Storage Management service issues
• System resource constraints
• Hardware communication problems

Please try:
• Restart the application as administrator
• Check Windows Management Instrumentation service
• Verify disk hardware connections</source>
        <translation>多次尝试后仍无法刷新磁盘信息。

可能的原因：
• 存储管理服务出现问题
• 系统资源不足
• 硬件通信故障

请尝试：
• 以管理员身份重新启动本程序
• 检查 Windows 管理规范 (WMI) 服务
• 检查磁盘硬件连接</translation>
    </message>
    <message>
        <source>Refresh Warning</source>
        <translation>刷新警告</translation>
    </message>
    <message>
        <source>Failed to refresh disk information completely. Some data may be outdated. Please try manual refresh.</source>
        <translation>未能完整刷新磁盘信息，部分数据可能已过时。请尝试手动刷新。</translation>
    </message>
    <message>
        <source>Refreshing disk information after resize...</source>
        <translation>调整大小后正在刷新磁盘信息...</translation>
    </message>
    <message>
        <source>Refreshing partition information...</source>
        <translation>正在刷新分区信息...</translation>
    </message>
    <message>
        <source>Refreshing partitions...</source>
        <translation>正在刷新分区...</translation>
    </message>
    <message>
        <source>Storage Operation Failed</source>
        <translation>存储操作失败</translation>
    </message>
    <message>
        <source>Storage operation failed: %1</source>
        <translation>存储操作失败：%1</translation>
    </message>
    <message>
        <source>Refreshing partition...</source>
        <translation>正在刷新分区...</translation>
    </message>
    <message>
        <source>No Selection</source>
        <translation>未选择</translation>
    </message>
    <message>
        <source>Please select an unallocated space to create a new partition.</source>
        <translation>请选择一块未分配空间来创建新分区。</translation>
    </message>
    <message>
        <source>Invalid Selection</source>
        <translation>选择无效</translation>
    </message>
    <message>
        <source>You can only create new partitions in unallocated space.
Please select an unallocated space entry.</source>
        <translation>只能在未分配空间中创建新分区。
请选择一个未分配空间条目。</translation>
    </message>
    <message>
        <source>Creation of partitions on disk %1</source>
        <translation>在磁盘 %1 上创建分区</translation>
    </message>
    <message>
        <source>Please select a valid partition to format.</source>
        <translation>请选择一个有效的分区进行格式化。</translation>
    </message>
    <message>
        <source>Format of %1</source>
        <translation>格式化 %1</translation>
    </message>
    <message>
        <source>Please select a partition to resize.</source>
        <translation>请选择要调整大小的分区。</translation>
    </message>
    <message>
        <source>Please select a partition, not a disk.</source>
        <translation>请选择分区，而不是磁盘。</translation>
    </message>
    <message>
        <source>Cannot Resize</source>
        <translation>无法调整大小</translation>
    </message>
    <message>
        <source>Cannot resize unallocated space. Please select a partition.</source>
        <translation>无法调整未分配空间的大小。请选择一个分区。</translation>
    </message>
    <message>
        <source>Failed to parse partition size: %1</source>
        <translation>无法解析分区大小：%1</translation>
    </message>
    <message>
        <source>%1

Nothing has been changed.</source>
        <translation>%1

未做任何更改。</translation>
    </message>
    <message>
        <source>Special Partition</source>
        <translation>特殊分区</translation>
    </message>
    <message>
        <source>%1

Resize it anyway?</source>
        <translation>%1

仍要调整其大小吗？</translation>
    </message>
    <message>
        <source>System Partition Warning</source>
        <translation>系统分区警告</translation>
    </message>
    <message>
        <source>⚠️ WARNING: System Partition Resize ⚠️

You are about to resize a system partition (%1).

This operation carries significant risks:
• May affect system boot capability
• Could cause system instability
• May prevent Windows from starting

STRONGLY RECOMMENDED before proceeding:
• Create a complete system backup
• Create a Windows recovery disk
• Close all running applications
• Ensure UPS power protection

Do you understand the risks and want to continue?</source>
        <translation>⚠️ 警告：调整系统分区大小 ⚠️

您即将调整系统分区（%1）的大小。

此操作存在重大风险：
• 可能影响系统启动
• 可能导致系统不稳定
• 可能导致 Windows 无法启动

强烈建议在继续之前：
• 创建完整的系统备份
• 创建 Windows 恢复盘
• 关闭所有正在运行的应用程序
• 确保有不间断电源 (UPS) 保护

您是否了解这些风险并要继续？</translation>
    </message>
    <message>
        <source>Analyzing disk layout...</source>
        <translation>正在分析磁盘布局...</translation>
    </message>
    <message>
        <source>Failed to retrieve partition information for disk %1.</source>
        <translation>无法获取磁盘 %1 的分区信息。</translation>
    </message>
    <message>
        <source>No Expansion Space Available</source>
        <translation>没有可用于扩展的空间</translation>
    </message>
    <message>
        <source>There is no unallocated space immediately following this partition.

Partition: %1
Current size: %2
Adjacent unallocated space: %3 MB

You can only shrink this partition. Do you want to continue with shrink-only mode?

</source>
        <translation>此分区之后没有紧邻的未分配空间。

分区：%1
当前大小：%2
相邻的未分配空间：%3 MB

只能缩小此分区。是否以仅缩小模式继续？

</translation>
    </message>
    <message>
        <source>Resize of partition %1</source>
        <translation>调整分区 %1 的大小</translation>
    </message>
    <message>
        <source>Please select a partition to split.</source>
        <translation>请选择要拆分的分区。</translation>
    </message>
    <message>
        <source>Cannot Split</source>
        <translation>无法拆分</translation>
    </message>
    <message>
        <source>Cannot split unallocated space. Please select a partition.</source>
        <translation>无法拆分未分配空间。请选择一个分区。</translation>
    </message>
    <message>
        <source>Failed to get partition information.</source>
        <translation>获取分区信息失败。</translation>
    </message>
    <message>
        <source>Partition is too small to split. Minimum size required: 200 MB.</source>
        <translation>分区太小，无法拆分。至少需要 200 MB。</translation>
    </message>
    <message>
        <source>Split of partition %1</source>
        <translation>拆分分区 %1</translation>
    </message>
    <message>
        <source>• %1 (disk %2)</source>
        <translation>• %1（磁盘 %2）</translation>
    </message>
    <message>
        <source>Jobs still running</source>
        <translation>仍有任务在运行</translation>
    </message>
    <message>
        <source>Still running:
%1

A job is never stopped half-way, so that no disk is left half-changed. Close Tessaline once the running jobs have ended?</source>
        <translation>仍在运行：
%1

任务绝不会中途停止，以免磁盘处于半修改状态。要在运行中的任务结束后关闭 Tessaline 吗？</translation>
    </message>
    <message>
        <source>%1 (disk %2)</source>
        <translation>%1（磁盘 %2）</translation>
    </message>
    <message>
        <source>Closing once the running jobs have ended: %1</source>
        <translation>运行中的任务结束后即关闭：%1</translation>
    </message>
    <message>
        <source>Running: %1</source>
        <translation>正在运行：%1</translation>
    </message>
    <message>
        <source>Disk %1 is busy: %2</source>
        <translation>磁盘 %1 正忙：%2</translation>
    </message>
    <message>
        <source>Merge into partition %1</source>
        <translation>合并到分区 %1</translation>
    </message>
    <message>
        <source>Disk busy</source>
        <translation>磁盘正忙</translation>
    </message>
    <message>
        <source>%1 is still running on disk %2.

Start another job on this disk when it has ended; jobs on other disks may run meanwhile.</source>
        <translation>%1 仍在磁盘 %2 上运行。

请在它结束后再在此磁盘上开始其他任务；其他磁盘上的任务可以同时运行。</translation>
    </message>
    <message>
        <source>🔤 Drive Letter</source>
        <translation>🔤 驱动器号</translation>
    </message>
    <message>
        <source>🏷️ Rename</source>
        <translation>🏷️ 重命名</translation>
    </message>
    <message>
        <source>💽 Initialize Disk</source>
        <translation>💽 初始化磁盘</translation>
    </message>
    <message>
        <source>💽 Initialize Disk…</source>
        <translation>💽 初始化磁盘…</translation>
    </message>
    <message>
        <source>🔤 Change Drive Letter…</source>
        <translation>🔤 更改驱动器号…</translation>
    </message>
    <message>
        <source>🏷️ Rename Volume…</source>
        <translation>🏷️ 重命名卷…</translation>
    </message>
    <message>
        <source>Not Initialized</source>
        <translation>未初始化</translation>
    </message>
    <message>
        <source>A new disk without a partition table: choose Initialize Disk to use it.</source>
        <translation>没有分区表的新磁盘：请选择“初始化磁盘”后使用。</translation>
    </message>
    <message>
        <source>Please select a disk to initialise.</source>
        <translation>请选择要初始化的磁盘。</translation>
    </message>
    <message>
        <source>Initialize Disk</source>
        <translation>初始化磁盘</translation>
    </message>
    <message>
        <source>Disk %1 is already initialised. Only a new, uninitialised (RAW) disk can be initialised; this one keeps its partitions.</source>
        <translation>磁盘 %1 已初始化。只有未初始化（RAW）的新磁盘才能初始化；此磁盘保留其分区。</translation>
    </message>
    <message>
        <source>Initialisation of disk %1</source>
        <translation>初始化磁盘 %1</translation>
    </message>
    <message>
        <source>Please select a partition.</source>
        <translation>请选择一个分区。</translation>
    </message>
    <message>
        <source>Change Drive Letter</source>
        <translation>更改驱动器号</translation>
    </message>
    <message>
        <source>Drive letter of %1</source>
        <translation>%1 的驱动器号</translation>
    </message>
    <message>
        <source>Rename Volume</source>
        <translation>重命名卷</translation>
    </message>
    <message>
        <source>Renaming of %1</source>
        <translation>重命名 %1</translation>
    </message>
    <message>
        <source>Deletion of %1</source>
        <translation>删除 %1</translation>
    </message>
    <message>
        <source>Free Space</source>
        <translation>可用空间</translation>
    </message>
    <message>
        <source>Free space for logical drives</source>
        <translation>可建逻辑驱动器的空间</translation>
    </message>
</context>
<context>
    <name>MergeNeighbour</name>
    <message>
        <source>Partition %1</source>
        <translation>分区 %1</translation>
    </message>
    <message>
        <source>There is no right partition or space to merge.</source>
        <translation>右侧没有可合并的分区或空间。</translation>
    </message>
    <message>
        <source>%1 is an extended partition: it holds logical drives and no file system. Select one of its logical drives instead.</source>
        <translation>%1 是扩展分区：它容纳逻辑驱动器，本身没有文件系统。请改为选择其中的一个逻辑驱动器。</translation>
    </message>
    <message>
        <source>%1 is a logical drive: the space after the extended partition cannot be added to it.</source>
        <translation>%1 是逻辑驱动器：扩展分区之后的空间无法并入它。</translation>
    </message>
    <message>
        <source>The partition after %1 is an extended partition holding logical drives: it cannot be merged into %1.</source>
        <translation>%1 之后的分区是容纳逻辑驱动器的扩展分区：无法将其合并到 %1。</translation>
    </message>
</context>
<context>
    <name>MergePartitionDialog</name>
    <message>
        <source>Partition Merge Wizard</source>
        <translation>分区合并向导</translation>
    </message>
    <message>
        <source>Before Merger</source>
        <translation>合并前</translation>
    </message>
    <message>
        <source>✅ Instructions</source>
        <translation>✅ 说明</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>合并</translation>
    </message>
    <message>
        <source>Unallocated
%1</source>
        <translation>未分配
%1</translation>
    </message>
    <message>
        <source>%1%2 (expand)
%3</source>
        <translation>%1%2（扩展）
%3</translation>
    </message>
    <message>
        <source>

Nothing has been changed.</source>
        <translation>

未做任何更改。</translation>
    </message>
    <message>
        <source>Partition %1 uses the %2 file system, which cannot be extended, so no space can be merged into it.</source>
        <translation>分区 %1 使用 %2 文件系统，该文件系统无法扩展，因此无法向其合并空间。</translation>
    </message>
    <message>
        <source>Cannot merge</source>
        <translation>无法合并</translation>
    </message>
    <message>
        <source>This operation will delete partition %1 and merge its space into partition %2.

All data in partition %1 will be lost!

Are you sure you want to continue?</source>
        <translation>此操作将删除分区 %1，并将其空间合并到分区 %2。

分区 %1 中的所有数据都将丢失！

确定要继续吗？</translation>
    </message>
    <message>
        <source>Confirm partition merge</source>
        <translation>确认分区合并</translation>
    </message>
    <message>
        <source>

Are you sure you want to continue?</source>
        <translation>

确定要继续吗？</translation>
    </message>
    <message>
        <source>Preparing for merge operation...</source>
        <translation>正在准备合并操作...</translation>
    </message>
    <message>
        <source>✅ Progress %1% - %2</source>
        <translation>✅ 进度 %1% - %2</translation>
    </message>
    <message>
        <source>🔄 %1</source>
        <translation>🔄 %1</translation>
    </message>
    <message>
        <source>Merger Success</source>
        <translation>合并成功</translation>
    </message>
    <message>
        <source>Merge failed</source>
        <translation>合并失败</translation>
    </message>
    <message>
        <source>Partition merge operation failed:

%1

Please check the error message and try again.
 If the problem persists, please contact Support</source>
        <translation>分区合并操作失败：

%1

请检查错误信息后重试。
 如果问题仍然存在，请联系技术支持</translation>
    </message>
    <message>
        <source>✅ Instructions:</source>
        <translation>✅ 说明：</translation>
    </message>
    <message>
        <source>After Merger</source>
        <translation>合并后</translation>
    </message>
    <message>
        <source>• Merge %1 of unallocated space into %2
• %2 will be extended from %3 to %4
• The operation is safe and will not affect existing data
</source>
        <translation>• 将 %1 的未分配空间合并到 %2
• %2 将从 %3 扩展到 %4
• 此操作安全，不会影响现有数据
</translation>
    </message>
    <message>
        <source>• Merge %1 into %2
• %2 will be extended from %3 to %4
• Warning: %1 will be deleted, please make sure your data is backed up
</source>
        <translation>• 将 %1 合并到 %2
• %2 将从 %3 扩展到 %4
• 警告：%1 将被删除，请确保已备份数据
</translation>
    </message>
</context>
<context>
    <name>PartitionFormatter</name>
    <message>
        <source>Format Partition</source>
        <translation>格式化分区</translation>
    </message>
    <message>
        <source>Partition label:</source>
        <translation>分区卷标：</translation>
    </message>
    <message>
        <source>New Volume</source>
        <translation>新加卷</translation>
    </message>
    <message>
        <source>Enter volume label</source>
        <translation>输入卷标</translation>
    </message>
    <message>
        <source>File system:</source>
        <translation>文件系统：</translation>
    </message>
    <message>
        <source>Cluster size:</source>
        <translation>簇大小：</translation>
    </message>
    <message>
        <source>Quick format:</source>
        <translation>快速格式化：</translation>
    </message>
    <message>
        <source>Enable quick format</source>
        <translation>启用快速格式化</translation>
    </message>
    <message>
        <source>Ready to format</source>
        <translation>准备格式化</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>Partition %1</source>
        <translation>分区 %1</translation>
    </message>
    <message>
        <source>Partition lacks necessary identification information</source>
        <translation>分区缺少必要的标识信息</translation>
    </message>
    <message>
        <source>Cannot format system drive C:</source>
        <translation>无法格式化系统驱动器 C:</translation>
    </message>
    <message>
        <source>Special Partition</source>
        <translation>特殊分区</translation>
    </message>
    <message>
        <source>%1

Format it anyway?</source>
        <translation>%1

仍要格式化它吗？</translation>
    </message>
    <message>
        <source>Confirm Format</source>
        <translation>确认格式化</translation>
    </message>
    <message>
        <source>Are you sure you want to format this partition?

⚠️ This operation will permanently delete all data on the partition!

Partition: %1
File System: %2

This action cannot be undone!</source>
        <translation>确定要格式化此分区吗？

⚠️ 此操作将永久删除该分区上的所有数据！

分区：%1
文件系统：%2

此操作无法撤销！</translation>
    </message>
    <message>
        <source>Preparing to format...</source>
        <translation>正在准备格式化...</translation>
    </message>
    <message>
        <source>Formatting...</source>
        <translation>正在格式化...</translation>
    </message>
    <message>
        <source>Preparing partition for format...</source>
        <translation>正在为格式化准备分区...</translation>
    </message>
    <message>
        <source>Creating file system...</source>
        <translation>正在创建文件系统...</translation>
    </message>
    <message>
        <source>Writing file system structures...</source>
        <translation>正在写入文件系统结构...</translation>
    </message>
    <message>
        <source>Finalizing format operation...</source>
        <translation>正在完成格式化操作...</translation>
    </message>
    <message>
        <source>Cancel Format</source>
        <translation>取消格式化</translation>
    </message>
    <message>
        <source>Format operation is in progress. Do you want to cancel it?</source>
        <translation>格式化操作正在进行中。要取消吗？</translation>
    </message>
    <message>
        <source>A format that has already begun cannot be stopped half-way: it will finish, and its result will be shown.</source>
        <translation>已经开始的格式化无法中途停止：它会完成，并显示其结果。</translation>
    </message>
    <message>
        <source>Format Complete</source>
        <translation>格式化完成</translation>
    </message>
    <message>
        <source>The partition has been formatted successfully!</source>
        <translation>分区已成功格式化！</translation>
    </message>
    <message>
        <source>Format Failed</source>
        <translation>格式化失败</translation>
    </message>
    <message>
        <source>Failed to format the partition.</source>
        <translation>格式化分区失败。</translation>
    </message>
    <message>
        <source>Failed to format the partition.

Error: %1</source>
        <translation>格式化分区失败。

错误：%1</translation>
    </message>
    <message>
        <source>⚠️ Formatting will cause data loss on %1!</source>
        <translation>⚠️ 格式化将导致 %1 上的数据丢失！</translation>
    </message>
</context>
<context>
    <name>PartitionGuard</name>
    <message>
        <source>the system partition the running Windows started from</source>
        <translation>正在运行的 Windows 从中启动的系统分区</translation>
    </message>
    <message>
        <source>the boot partition holding the running Windows</source>
        <translation>存放正在运行的 Windows 的启动分区</translation>
    </message>
    <message>
        <source>%1 is %2. Windows needs it while it runs, so it cannot be changed here.</source>
        <translation>%1 是%2。Windows 运行时需要它，因此不能在这里更改。</translation>
    </message>
    <message>
        <source>%1 is an EFI system partition. It holds boot loaders: without it, a system installed on this disk can no longer start.</source>
        <translation>%1 是 EFI 系统分区。其中存放着启动加载程序：没有它，安装在此磁盘上的系统将无法再启动。</translation>
    </message>
    <message>
        <source>%1 is a Microsoft Reserved (MSR) partition. Windows keeps it for managing this GPT disk: without it, later changes to the disk can fail.</source>
        <translation>%1 是 Microsoft 保留 (MSR) 分区。Windows 用它来管理此 GPT 磁盘：没有它，以后对磁盘的更改可能会失败。</translation>
    </message>
    <message>
        <source>%1 is a recovery partition. It holds the Windows recovery environment: without it, Windows can no longer repair or reset itself.</source>
        <translation>%1 是恢复分区。其中存放着 Windows 恢复环境：没有它，Windows 将无法再修复或重置自身。</translation>
    </message>
    <message>
        <source>%1 is an OEM partition. It holds the maker&apos;s recovery or support tools: they cannot be restored without the maker&apos;s media.</source>
        <translation>%1 是 OEM 分区。其中存放着制造商的恢复或支持工具：没有制造商的介质，就无法还原这些工具。</translation>
    </message>
</context>
<context>
    <name>PartitionIdentity</name>
    <message>
        <source>The disk layout changed since you chose this partition. The list has been refreshed; please choose again.</source>
        <translation>自您选择此分区以来，磁盘布局已发生变化。列表已刷新，请重新选择。</translation>
    </message>
</context>
<context>
    <name>PartitionName</name>
    <message>
        <source>Partition %1 of Disk %2</source>
        <translation>磁盘 %2 的分区 %1</translation>
    </message>
</context>
<context>
    <name>PartitionProgressDialog</name>
    <message>
        <source>Creating partitions...</source>
        <translation>正在创建分区...</translation>
    </message>
    <message>
        <source>Start creating partitions</source>
        <translation>开始创建分区</translation>
    </message>
    <message>
        <source>Creation progress</source>
        <translation>创建进度</translation>
    </message>
    <message>
        <source>Creating partition progress: %1% - %2</source>
        <translation>分区创建进度：%1% - %2</translation>
    </message>
    <message>
        <source>[create] %1% - %2</source>
        <translation>[创建] %1% - %2</translation>
    </message>
    <message>
        <source>Formatting partition...</source>
        <translation>正在格式化分区...</translation>
    </message>
    <message>
        <source>Formatting progress: %1/%2 (current partition: %3%)</source>
        <translation>格式化进度：%1/%2（当前分区：%3%）</translation>
    </message>
    <message>
        <source>[Format] Partition %1/%2 - %3%</source>
        <translation>[格式化] 分区 %1/%2 - %3%</translation>
    </message>
    <message>
        <source>All partitions formatted</source>
        <translation>所有分区已格式化</translation>
    </message>
    <message>
        <source>[Completed] ✅ %1</source>
        <translation>[完成] ✅ %1</translation>
    </message>
    <message>
        <source>Error occurred during formatting</source>
        <translation>格式化过程中出错</translation>
    </message>
    <message>
        <source>[Error] ❌ %1</source>
        <translation>[错误] ❌ %1</translation>
    </message>
    <message>
        <source>✅ Partition creation and formatting completed</source>
        <translation>✅ 分区创建和格式化已完成</translation>
    </message>
    <message>
        <source>✅ Partitions created (not formatted)</source>
        <translation>✅ 分区已创建（未格式化）</translation>
    </message>
    <message>
        <source>All operations completed successfully</source>
        <translation>所有操作均已成功完成</translation>
    </message>
    <message>
        <source>❌ Operation failed</source>
        <translation>❌ 操作失败</translation>
    </message>
    <message>
        <source>Error occurred during operation</source>
        <translation>操作过程中出错</translation>
    </message>
    <message>
        <source>[Final] %1</source>
        <translation>[最终] %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>PartitionResizeBar</name>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation>%1 GB</translation>
    </message>
    <message>
        <source>Unallocated space %1 MB</source>
        <translation>未分配空间 %1 MB</translation>
    </message>
    <message>
        <source>Unallocated space %1 GB</source>
        <translation>未分配空间 %1 GB</translation>
    </message>
</context>
<context>
    <name>PartitionText</name>
    <message>
        <source>Boot</source>
        <translation>启动</translation>
    </message>
    <message>
        <source>System</source>
        <translation>系统</translation>
    </message>
    <message>
        <source>Extended</source>
        <translation>扩展</translation>
    </message>
    <message>
        <source>Logical</source>
        <translation>逻辑</translation>
    </message>
    <message>
        <source>Recovery</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>Data Partition</source>
        <translation>数据分区</translation>
    </message>
    <message>
        <source>Partition %1</source>
        <translation>分区 %1</translation>
    </message>
    <message>
        <source>Unknown Partition</source>
        <translation>未知分区</translation>
    </message>
</context>
<context>
    <name>ResizeDialog</name>
    <message>
        <source>Resize Partition</source>
        <translation>调整分区大小</translation>
    </message>
    <message>
        <source>Drive Letter:</source>
        <translation>驱动器号：</translation>
    </message>
    <message>
        <source>File System:</source>
        <translation>文件系统：</translation>
    </message>
    <message>
        <source>Partition Size:</source>
        <translation>分区大小：</translation>
    </message>
    <message>
        <source>Resize Partition Size:</source>
        <translation>调整后的分区大小：</translation>
    </message>
    <message>
        <source>Preparing to resize partition...</source>
        <translation>正在准备调整分区大小...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Resize</source>
        <translation>调整大小</translation>
    </message>
    <message>
        <source>Resizing... %p%</source>
        <translation>正在调整大小... %p%</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Invalid partition information. Partition ID is missing.</source>
        <translation>分区信息无效。缺少分区 ID。</translation>
    </message>
    <message>
        <source>Invalid partition size information.</source>
        <translation>分区大小信息无效。</translation>
    </message>
    <message>
        <source> GB</source>
        <translation> GB</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Initialization Error</source>
        <translation>初始化错误</translation>
    </message>
    <message>
        <source>Failed to initialize Windows Storage Management API.
Make sure you have administrator privileges.</source>
        <translation>无法初始化 Windows 存储管理 API。
请确保您拥有管理员权限。</translation>
    </message>
    <message>
        <source>No Significant Change</source>
        <translation>变化不明显</translation>
    </message>
    <message>
        <source>The selected size is too close to the current size.
Minimum change required: 100 MB
Current difference: %1 MB</source>
        <translation>所选大小与当前大小过于接近。
最小变化量：100 MB
当前差值：%1 MB</translation>
    </message>
    <message>
        <source>Invalid Size</source>
        <translation>大小无效</translation>
    </message>
    <message>
        <source>Selected size is out of valid range.

Valid range: %1 MB - %2 MB
Selected: %3 MB</source>
        <translation>所选大小超出有效范围。

有效范围：%1 MB - %2 MB
所选大小：%3 MB</translation>
    </message>
    <message>
        <source>shrink</source>
        <translation>缩小</translation>
    </message>
    <message>
        <source>expand</source>
        <translation>扩展</translation>
    </message>
    <message>
        <source>Shrinkage: %1 MB (%2 GB)</source>
        <translation>缩小量：%1 MB (%2 GB)</translation>
    </message>
    <message>
        <source>Expansion: +%1 MB (+%2 GB)</source>
        <translation>扩展量：+%1 MB (+%2 GB)</translation>
    </message>
    <message>
        <source>

⚠️ Make sure to backup important data before proceeding.</source>
        <translation>

⚠️ 继续之前请务必备份重要数据。</translation>
    </message>
    <message>
        <source>

⚠️ This partition is FAT32. To resize it, it is first reformatted as NTFS, which ERASES ALL ITS CONTENTS: every file on it will be lost.</source>
        <translation>

⚠️ 此分区为 FAT32。要调整其大小，需先将其重新格式化为 NTFS，这将清除其全部内容：其中的所有文件都将丢失。</translation>
    </message>
    <message>
        <source>Are you sure you want to %1 the partition?

Partition: %2
Current size: %3 MB (%4 GB)
New size: %5 MB (%6 GB)
%7%8</source>
        <translation>确定要%1该分区吗？

分区：%2
当前大小：%3 MB (%4 GB)
新大小：%5 MB (%6 GB)
%7%8</translation>
    </message>
    <message>
        <source>Confirm Partition Resize</source>
        <translation>确认调整分区大小</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
    <message>
        <source>Preparing resize... %p%</source>
        <translation>正在准备调整大小... %p%</translation>
    </message>
    <message>
        <source>Starting resize... %p%</source>
        <translation>正在开始调整大小... %p%</translation>
    </message>
    <message>
        <source>Detecting file system... %p%</source>
        <translation>正在检测文件系统... %p%</translation>
    </message>
    <message>
        <source>Converting to NTFS... %p%</source>
        <translation>正在转换为 NTFS... %p%</translation>
    </message>
    <message>
        <source>Preparing partition... %p%</source>
        <translation>正在准备分区... %p%</translation>
    </message>
    <message>
        <source>Resizing partition... %p%</source>
        <translation>正在调整分区大小... %p%</translation>
    </message>
    <message>
        <source>Finalizing changes... %p%</source>
        <translation>正在完成更改... %p%</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Partition resized successfully!

The partition size has been changed. You may need to refresh the disk view to see the changes.</source>
        <translation>分区大小调整成功！

分区大小已更改。您可能需要刷新磁盘视图才能看到更改。</translation>
    </message>
    <message>
        <source>Resize Failed</source>
        <translation>调整大小失败</translation>
    </message>
    <message>
        <source>Failed to resize partition.

Error: %1</source>
        <translation>调整分区大小失败。

错误：%1</translation>
    </message>
</context>
<context>
    <name>ScriptRunner</name>
    <message>
        <source>its script file could not be written</source>
        <translation>无法写入其脚本文件</translation>
    </message>
    <message>
        <source>%1 could not be started%2</source>
        <translation>无法启动 %1%2</translation>
    </message>
    <message>
        <source>%1 was stopped on request</source>
        <translation>%1 已按请求停止</translation>
    </message>
    <message>
        <source>%1 timed out after %2 s and was stopped</source>
        <translation>%1 在 %2 秒后超时，已被停止</translation>
    </message>
    <message>
        <source>%1 crashed</source>
        <translation>%1 崩溃</translation>
    </message>
    <message>
        <source>%1 did not report how it ended</source>
        <translation>%1 未报告其结束方式</translation>
    </message>
    <message>
        <source>%1 ended with exit code %2%3</source>
        <translation>%1 以退出码 %2 结束%3</translation>
    </message>
    <message>
        <source>%1 reported an error</source>
        <translation>%1 报告了错误</translation>
    </message>
    <message>
        <source>%1 was not started: a drive or script line was not one the app writes</source>
        <translation>%1 未启动：驱动器或脚本行不是本程序所写的格式</translation>
    </message>
</context>
<context>
    <name>SplitPartitionDialog</name>
    <message>
        <source>Split a partition - %1 (%2 GB)</source>
        <translation>拆分分区 - %1 (%2 GB)</translation>
    </message>
    <message>
        <source>NTFS (recommend)</source>
        <translation>NTFS（推荐）</translation>
    </message>
    <message>
        <source>New Partition</source>
        <translation>新分区</translation>
    </message>
    <message>
        <source>Split the partition into the part it keeps and a new partition</source>
        <translation>将分区拆分为保留部分和一个新分区</translation>
    </message>
    <message>
        <source>Split Preview</source>
        <translation>拆分预览</translation>
    </message>
    <message>
        <source>Original partition (retain)</source>
        <translation>原分区（保留）</translation>
    </message>
    <message>
        <source>New Partition (Create)</source>
        <translation>新分区（创建）</translation>
    </message>
    <message>
        <source>Partition Size</source>
        <translation>分区大小</translation>
    </message>
    <message>
        <source>Keep partition size (GB)</source>
        <translation>保留分区大小 (GB)</translation>
    </message>
    <message>
        <source>New partition size(GB)</source>
        <translation>新分区大小 (GB)</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>File System</source>
        <translation>文件系统</translation>
    </message>
    <message>
        <source>Drive letter</source>
        <translation>驱动器号</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>卷标</translation>
    </message>
    <message>
        <source>Ready to split...</source>
        <translation>准备拆分...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Original partition</source>
        <translation>原分区</translation>
    </message>
    <message>
        <source>Retain partition (%1) %2 GB</source>
        <translation>保留分区 (%1) %2 GB</translation>
    </message>
    <message>
        <source>New partition %1 GB</source>
        <translation>新分区 %1 GB</translation>
    </message>
    <message>
        <source>Confirm Split</source>
        <translation>确认拆分</translation>
    </message>
    <message>
        <source>Partition %1 will be split:

• Reserved partition: %2 GB
• New partition: %3 GB
• File system: %4

This operation is irreversible, do you want to continue?</source>
        <translation>分区 %1 将被拆分：

• 保留分区: %2 GB
• 新分区: %3 GB
• 文件系统: %4

此操作不可撤销，是否继续？</translation>
    </message>
    <message>
        <source>Force Cancel</source>
        <translation>强制取消</translation>
    </message>
    <message>
        <source>Confirm cancellation</source>
        <translation>确认取消</translation>
    </message>
    <message>
        <source>拆分失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Splitting successful</source>
        <translation>拆分成功</translation>
    </message>
    <message>
        <source>The split stops after the step under way: a step that changes the disk is never stopped half-way. If the partition has already been shrunk, the freed space is left unallocated.
Confirm cancellation?</source>
        <translation>拆分将在当前步骤完成后停止：更改磁盘的步骤绝不会中途停止。如果分区已被缩小，释放的空间将保留为未分配空间。
确认取消吗？</translation>
    </message>
</context>
<context>
    <name>VolumeDialogs</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>VolumeLabelDialog</name>
    <message>
        <source>Rename Volume</source>
        <translation>重命名卷</translation>
    </message>
    <message>
        <source>New name for %1 (%2, at most %3 characters):</source>
        <translation>%1 的新卷标（%2，最多 %3 个字符）：</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>重命名</translation>
    </message>
</context>
<context>
    <name>WindowsStorageManager</name>
    <message>
        <source>分区创建完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>准备创建分区...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在分析磁盘空间...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在创建分区...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>执行分区创建命令...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分配驱动器号...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Not Supported</source>
        <translation>不支持</translation>
    </message>
    <message>
        <source>Timeout</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Invalid Parameter</source>
        <translation>参数无效</translation>
    </message>
    <message>
        <source>Access Denied</source>
        <translation>拒绝访问</translation>
    </message>
    <message>
        <source>There are not enough resources to complete the operation</source>
        <translation>没有足够的资源来完成该操作</translation>
    </message>
    <message>
        <source>Cache out of date</source>
        <translation>缓存已过期</translation>
    </message>
    <message>
        <source>The storage pool could not complete the operation because its health or operational status does not permit it</source>
        <translation>存储池无法完成该操作，因为其运行状况或操作状态不允许</translation>
    </message>
    <message>
        <source>The storage pool could not complete the operation because its configuration is read-only</source>
        <translation>存储池无法完成该操作，因为其配置为只读</translation>
    </message>
    <message>
        <source>One of the physical disks specified is not supported by this operation</source>
        <translation>所指定的物理磁盘之一不支持此操作</translation>
    </message>
    <message>
        <source>The storage pool could not complete the operation because its policy does not allow it</source>
        <translation>存储池无法完成该操作，因为其策略不允许</translation>
    </message>
    <message>
        <source>There are not enough suitable physical disks available</source>
        <translation>没有足够的合适物理磁盘可用</translation>
    </message>
    <message>
        <source>The disk is offline</source>
        <translation>磁盘处于脱机状态</translation>
    </message>
    <message>
        <source>The file system is not supported</source>
        <translation>不支持该文件系统</translation>
    </message>
    <message>
        <source>Unknown error code: %1</source>
        <translation>未知错误码：%1</translation>
    </message>
    <message>
        <source>Unspecified Error</source>
        <translation>未指定的错误</translation>
    </message>
    <message>
        <source>The disk or volume is in use</source>
        <translation>磁盘或卷正在使用中</translation>
    </message>
    <message>
        <source>The object was not found</source>
        <translation>找不到该对象</translation>
    </message>
    <message>
        <source>The size is not supported</source>
        <translation>不支持该大小</translation>
    </message>
    <message>
        <source>There is not enough available capacity</source>
        <translation>可用容量不足</translation>
    </message>
    <message>
        <source>An unexpected I/O error occurred</source>
        <translation>发生意外的 I/O 错误</translation>
    </message>
    <message>
        <source>The disk has not been initialized</source>
        <translation>磁盘尚未初始化</translation>
    </message>
    <message>
        <source>The disk has already been initialized</source>
        <translation>磁盘已初始化</translation>
    </message>
    <message>
        <source>The disk is read-only</source>
        <translation>磁盘为只读</translation>
    </message>
    <message>
        <source>The disk&apos;s partition limit has been reached</source>
        <translation>磁盘的分区数已达上限</translation>
    </message>
    <message>
        <source>The specified alignment is not valid</source>
        <translation>指定的对齐方式无效</translation>
    </message>
    <message>
        <source>The parameter is not valid for this type of partition</source>
        <translation>该参数对此类分区无效</translation>
    </message>
    <message>
        <source>The specified partition type is not valid</source>
        <translation>指定的分区类型无效</translation>
    </message>
    <message>
        <source>Only the first 2 TB are usable on MBR disks</source>
        <translation>MBR 磁盘只能使用前 2 TB</translation>
    </message>
    <message>
        <source>The specified offset is not valid</source>
        <translation>指定的偏移量无效</translation>
    </message>
    <message>
        <source>The disk is not large enough to support a GPT partition style</source>
        <translation>磁盘太小，无法使用 GPT 分区形式</translation>
    </message>
    <message>
        <source>The partition was deleted, but its access paths remained</source>
        <translation>分区已删除，但其访问路径仍保留</translation>
    </message>
    <message>
        <source>The extended partition still holds logical drives</source>
        <translation>扩展分区中仍有逻辑驱动器</translation>
    </message>
    <message>
        <source>The access path is already in use</source>
        <translation>访问路径已被使用</translation>
    </message>
    <message>
        <source>The partition is hidden</source>
        <translation>分区是隐藏的</translation>
    </message>
    <message>
        <source>The drive letter of a boot or paging volume cannot be changed</source>
        <translation>不能更改启动卷或分页卷的驱动器号</translation>
    </message>
    <message>
        <source>The access path is not valid</source>
        <translation>访问路径无效</translation>
    </message>
    <message>
        <source>A volume with file system errors cannot be shrunk</source>
        <translation>有文件系统错误的卷不能压缩</translation>
    </message>
    <message>
        <source>The file system is unknown</source>
        <translation>文件系统未知</translation>
    </message>
    <message>
        <source>The operation is not allowed on a system or critical partition</source>
        <translation>不允许对系统分区或关键分区执行此操作</translation>
    </message>
    <message>
        <source>The cluster size is not valid</source>
        <translation>簇大小无效</translation>
    </message>
    <message>
        <source>The volume cannot be quick formatted</source>
        <translation>该卷不能快速格式化</translation>
    </message>
    <message>
        <source>The drive is read-only</source>
        <translation>驱动器为只读</translation>
    </message>
    <message>
        <source>the volume is not there</source>
        <translation>卷不存在</translation>
    </message>
    <message>
        <source>access was denied</source>
        <translation>访问被拒绝</translation>
    </message>
    <message>
        <source>the disk is write-protected</source>
        <translation>磁盘有写保护</translation>
    </message>
    <message>
        <source>the device is not ready</source>
        <translation>设备未就绪</translation>
    </message>
    <message>
        <source>the label holds characters the file system refuses</source>
        <translation>卷标包含文件系统不接受的字符</translation>
    </message>
    <message>
        <source>the label is longer than the file system allows</source>
        <translation>卷标超过文件系统允许的长度</translation>
    </message>
    <message>
        <source>the volume has no file system Windows recognises</source>
        <translation>该卷没有 Windows 能识别的文件系统</translation>
    </message>
    <message>
        <source>Windows error %1</source>
        <translation>Windows 错误 %1</translation>
    </message>
    <message>
        <source>the storage service is not connected</source>
        <translation>存储服务未连接</translation>
    </message>
    <message>
        <source>the storage service could not be asked (%1)</source>
        <translation>无法查询存储服务（%1）</translation>
    </message>
    <message>
        <source>it is no longer there</source>
        <translation>它已不存在</translation>
    </message>
    <message>
        <source>the storage service does not offer %1 (%2)</source>
        <translation>存储服务不提供 %1（%2）</translation>
    </message>
    <message>
        <source>the storage service refused the value of %1 (%2)</source>
        <translation>存储服务拒绝了 %1 的值（%2）</translation>
    </message>
    <message>
        <source>%1 failed (%2)</source>
        <translation>%1 失败（%2）</translation>
    </message>
    <message>
        <source>%1 gave no result</source>
        <translation>%1 没有返回结果</translation>
    </message>
    <message>
        <source>%1 (code %2)</source>
        <translation>%1（代码 %2）</translation>
    </message>
    <message>
        <source>no such partition or drive letter</source>
        <translation>没有这样的分区或驱动器号</translation>
    </message>
    <message>
        <source>no such drive letter</source>
        <translation>没有这样的驱动器号</translation>
    </message>
    <message>
        <source>%1 is no partition</source>
        <translation>%1 不是分区</translation>
    </message>
    <message>
        <source>the new size is below 1 MB</source>
        <translation>新大小小于 1 MB</translation>
    </message>
    <message>
        <source>the storage service could not prepare the resize</source>
        <translation>存储服务无法准备调整大小</translation>
    </message>
    <message>
        <source>the request names no disk, size or place</source>
        <translation>请求未指定磁盘、大小或位置</translation>
    </message>
    <message>
        <source>disk %1 is no longer there</source>
        <translation>磁盘 %1 已不存在</translation>
    </message>
    <message>
        <source>the partition would be larger than the disk</source>
        <translation>分区将大于磁盘</translation>
    </message>
    <message>
        <source>the place chosen is no longer free space</source>
        <translation>所选位置已不再是可用空间</translation>
    </message>
    <message>
        <source>the free space there is too small</source>
        <translation>该处的可用空间太小</translation>
    </message>
    <message>
        <source>an MBR partition cannot be larger than 2 TB</source>
        <translation>MBR 分区不能大于 2 TB</translation>
    </message>
    <message>
        <source>the storage service could not prepare the creation</source>
        <translation>存储服务无法准备创建分区</translation>
    </message>
    <message>
        <source>the provider made the partition but did not say which it is</source>
        <translation>提供程序创建了分区，但未说明是哪一个</translation>
    </message>
    <message>
        <source>The disk is not large enough for this operation</source>
        <translation>磁盘空间不足以执行此操作</translation>
    </message>
    <message>
        <source>The operation requires that the disk be online</source>
        <translation>此操作要求磁盘处于联机状态</translation>
    </message>
    <message>
        <source>The volume is in use</source>
        <translation>卷正在使用中</translation>
    </message>
    <message>
        <source>The volume&apos;s file system is dirty</source>
        <translation>卷的文件系统有错误标记</translation>
    </message>
</context>
<context>
    <name>volumelabel</name>
    <message>
        <source>A label cannot contain line breaks, tabs or other control characters.</source>
        <translation>卷标不能包含换行符、制表符或其他控制字符。</translation>
    </message>
    <message>
        <source>%1 labels cannot contain %2.</source>
        <translation>%1 卷标不能包含 %2。</translation>
    </message>
    <message>
        <source>%1 labels hold at most %2 characters; this one has %3.</source>
        <translation>%1 卷标最多 %2 个字符；此卷标有 %3 个。</translation>
    </message>
    <message>
        <source>Invalid Volume Label</source>
        <translation>卷标无效</translation>
    </message>
</context>
</TS>
