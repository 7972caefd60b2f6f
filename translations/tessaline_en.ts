<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>CreationPlan</name>
    <message>
        <source>The partition table of this MBR disk is full (4 primary partitions, an extended partition counting as one). Delete a partition first, or convert the disk to GPT.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition table of this disk is full (%1 partitions).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition table of this disk can take %1 more; the plan has %2 partitions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 (%2) does not fit: %3 of the free region can still be given to it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This free region is too small to hold a partition (at least %1 MB are needed).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CustomTitleBar</name>
    <message>
        <source>Morvane Tessaline</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Support</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>DeletePartitionPage</name>
    <message>
        <source>Deleting a Partition: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting partition: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Patition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume label</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot delete this partition: its ID &quot;%1&quot; is not of the form &apos;diskNumber:partitionNumber&apos;.
Nothing has been deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Final Confirmation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠️ Final Confirmation ⚠️

You are about to delete the partition: %1
This action will permanently erase all data on this partition!

Are you sure you want to continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

Nothing has been deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Special Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

Delete it anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The deletion of partition %1 has already started and cannot be stopped half-way.
It will finish, and its result will be shown.

Close this window and let the deletion finish?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleted successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was deleted successfully.

Click &apos;OK&apos; to close the window.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting %1 failed:
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition to delete: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DiskOperationWorker</name>
    <message>
        <source>Another delete operation is in progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting partition....</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition deletion completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exception occurred when deleting a partition: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown exception occurred when deleting a partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to create temporary script file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error occurred during deletion:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion failed:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分区合并</source>
        <translation>Partition merge</translation>
    </message>
    <message>
        <source>分区删除</source>
        <translation>Partition deletion</translation>
    </message>
    <message>
        <source>分区格式化</source>
        <translation>Partition format</translation>
    </message>
    <message>
        <source>无操作</source>
        <translation>No operation</translation>
    </message>
    <message>
        <source>无法创建diskpart脚本文件: %1</source>
        <translation>Cannot create the diskpart script file: %1</translation>
    </message>
    <message>
        <source>启动diskpart失败: %1</source>
        <translation>Failed to start diskpart: %1</translation>
    </message>
    <message>
        <source>diskpart 执行超时（%1秒）</source>
        <translation>diskpart timed out (%1 s)</translation>
    </message>
    <message>
        <source>diskpart 异常退出

输出信息：%1</source>
        <translation>diskpart ended abnormally

Output: %1</translation>
    </message>
    <message>
        <source>diskpart 执行失败，退出码: %1

输出信息：%2</source>
        <translation>diskpart failed, exit code: %1

Output: %2</translation>
    </message>
    <message>
        <source>不支持的文件系统: %1</source>
        <translation>Unsupported file system: %1</translation>
    </message>
    <message>
        <source>格式化异常: %1</source>
        <translation>Format exception: %1</translation>
    </message>
    <message>
        <source>格式化过程中发生未知异常</source>
        <translation>An unknown exception occurred while formatting</translation>
    </message>
    <message>
        <source>格式化成功完成</source>
        <translation>Format completed successfully</translation>
    </message>
    <message>
        <source>无效的分区路径：路径为空</source>
        <translation>Invalid partition path: the path is empty</translation>
    </message>
    <message>
        <source>无效的磁盘:分区格式，无法解析数字</source>
        <translation>Invalid disk:partition form, the numbers cannot be read</translation>
    </message>
    <message>
        <source>无效的分区路径格式: %1</source>
        <translation>Invalid partition path format: %1</translation>
    </message>
    <message>
        <source>启动diskpart失败，错误码: %1</source>
        <translation>Failed to start diskpart, error code: %1</translation>
    </message>
    <message>
        <source>diskpart 执行失败，退出码: %1</source>
        <translation>diskpart failed, exit code: %1</translation>
    </message>
    <message>
        <source>大容量FAT32格式化需要盘符: %1</source>
        <translation>Formatting a large FAT32 volume needs a drive letter: %1</translation>
    </message>
    <message>
        <source>无法启动 fat32format.exe，检查路径或权限: %1</source>
        <translation>Cannot start fat32format.exe, check its path or permissions: %1</translation>
    </message>
    <message>
        <source>fat32format.exe 执行超时（%1秒）</source>
        <translation>fat32format.exe timed out (%1 s)</translation>
    </message>
    <message>
        <source>驱动器 %1 正被其他程序使用。

请尝试以下解决方案：
1. 关闭文件管理器中打开的 %1 驱动器窗口
2. 结束可能正在使用该驱动器的程序
3. 在任务管理器中结束相关进程
4. 重启计算机后再试</source>
        <translation>Drive %1 is in use by another program.

Please try the following:
1. Close file manager windows open on drive %1
2. Quit programs that may be using the drive
3. End the related processes in Task Manager
4. Restart the computer and try again</translation>
    </message>
    <message>
        <source>无法访问驱动器 %1。

可能的原因：
1. 驱动器已被其他程序独占
2. 驱动器正在被系统使用
3. 需要重新插拔USB设备（如果是移动设备）

建议：重启计算机后重试</source>
        <translation>Cannot access drive %1.

Possible causes:
1. Another program holds the drive exclusively
2. The system is using the drive
3. The USB device needs to be unplugged and plugged in again (for removable devices)

Suggestion: restart the computer and try again</translation>
    </message>
    <message>
        <source>格式化失败，错误码: %1

输出信息：%2</source>
        <translation>Format failed, error code: %1

Output: %2</translation>
    </message>
    <message>
        <source>fat32format.exe 异常退出，状态: %1</source>
        <translation>fat32format.exe ended abnormally, status: %1</translation>
    </message>
    <message>
        <source>The user canceled the merge operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The merge operation ran past its time limit and was stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initializing merge operation...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready to merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge operation exception: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown exception occurred in the merge operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge operation failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verify merge conditions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verifying partition status and merge conditions...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uninstall partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uninstalling related partitions...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting target partition and extending source partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge unallocated space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge unallocated space into partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition merge failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resizing file system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resizing file system...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating partition table</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refreshing partition table...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remounting partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remounting partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge operation completed successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge condition validation failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge condition validation failed: a %1 partition cannot be extended. Nothing has been changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Process execution failed: diskpart process execution timed out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The operation has been canceled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The format was canceled before it began; the partition is unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formatting canceled: %1 of %2 partitions formatted; %3 not started and left as they were. %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation timed out, canceling...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart process crashed abnormally</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>failed to start the diskpart process</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart process crashed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart process read error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart process write error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown diskpart process error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Process execution failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready to create partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WindowsStorageManager is not initialized</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creating partition %1/%2...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>创建第 %1 个分区失败: %2</source>
        <translation>Failed to create partition %1: %2</translation>
    </message>
    <message>
        <source>Partition %1 Created successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All partitions created, ready to format...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition creation completed (unformatted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Successfully created %1 partitions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No tasks to process</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 formatted successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>格式化失败: %1; </source>
        <translation>Format failed: %1; </translation>
    </message>
    <message>
        <source>All %1 partitions formatted successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition creation and formatting are all completed！</source>
        <translation>Partition creation and formatting are all completed!</translation>
    </message>
    <message>
        <source>The formatting process failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid partition ID: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new size must be at least 1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition layout could not be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 was not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new size is larger than the partition and the unallocated space after it (at most %1 bytes)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to resize partition: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to convert FAT32 to NTFS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition resized successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to resize partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Already NTFS, no conversion needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid parameter: neither drive letter nor partition ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>diskpart格式化命令执行失败</source>
        <translation>The diskpart format command failed</translation>
    </message>
    <message>
        <source>diskpart格式化成功完成</source>
        <translation>diskpart format completed successfully</translation>
    </message>
    <message>
        <source>Another operation is in progress, please try again later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initializing partition split operation...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready to split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user canceled the split operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证拆分条件</source>
        <translation>Validating split conditions</translation>
    </message>
    <message>
        <source>正在验证分区状态和拆分条件...</source>
        <translation>Checking the partition state and split conditions...</translation>
    </message>
    <message>
        <source>拆分条件验证失败: %1</source>
        <translation>Split condition validation failed: %1</translation>
    </message>
    <message>
        <source>Start split operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition split is being executed...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition split completed successfully.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition split failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An error occurred during partition split: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An unknown error occurred during partition split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid split parameters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Storage manager is not initialized</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep partition size requires at least %1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New partition size requires at least %1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The total size of the reserved partition and the new partition does not match the original partition size, difference: %1 bytes (exceeds the %2 byte tolerance)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid partition ID format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

This partition cannot be split.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A %1 partition cannot be shrunk, so it cannot be split. Only NTFS partitions can be split.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to parse disk index</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjusting the original partition size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjusting the partition to %1 GB...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>调整原分区大小失败</source>
        <translation>Failed to resize the original partition</translation>
    </message>
    <message>
        <source>Failed to create new partition: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user canceled the split operation; the partition was already shrunk and the freed space is left unallocated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creating new partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creating and formatting new partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition split completed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition split successful</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition splitting completed successfully!

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original partition has been adjusted to: %1 GB
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New partition has been created: %2 GB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
File System: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Nothing has been changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new size is smaller than the files and the file system on the partition need (at least %1 bytes)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free space has no drive letter. Create a partition in it first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C: holds the running Windows: its letter cannot change while Windows runs from it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A Microsoft Reserved partition holds no volume, so it can have no drive letter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An extended partition holds logical drives, not a volume: give the letter to one of its logical drives.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free space has no volume to rename. Create a partition in it first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has no drive letter. Give it one first (Change Drive Letter), then rename it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 holds no file system, so it has no name to change. Format it first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is no partition style.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 is no longer there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 is already initialised (%2): initialising it again would lose its partitions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 was not initialised: %2 Nothing was changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 could not be initialised: %2. It is still uninitialised.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 reported a failure (%2), yet it now reads as %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 is initialised as %2. Its space is free for new partitions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Windows reserved the first %1 MB for itself (a Microsoft Reserved partition).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no drive letter: letters run from A to Z.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has no drive letter to take away.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has that letter already.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is in use by another drive.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The drive letter of %1 was not changed: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be taken from %2: %3. The partition keeps it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 no longer has a drive letter; its files are kept. Programs and shortcuts that used %2 will not find it until it has a letter again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 of Disk %2 now has the letter %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is now %2. Programs and shortcuts that used %1 need the new letter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be given to %2: %3. The partition still has no letter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be given to %2: %3. The partition has its letter %4 back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be given to %2: %3. Giving %4 back failed too (%5): the partition has no letter now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was not renamed: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be renamed: %2. Its name is unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 no longer has a name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is now named %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was reformatted from FAT32 to NTFS first; the files it held were erased.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was reformatted from FAT32 to NTFS first; the files it held were erased, its label “%1” was kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was reformatted from FAT32 to NTFS first; the files it held were erased, and its label “%1” could not be given back: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the partition has no drive letter to name it through</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 did not get the letter %2 (it is in use or cannot be given); it has %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition made before it was removed again; the disk is as it was.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %1 partitions made before it were removed again; the disk is as it was.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Removing the partitions made before it failed: %1 remain on the disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It had been reformatted from FAT32 to NTFS first, so the files it held are gone; it keeps its old size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 was created and stays on the disk without a file system.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partitions %1 were created and stay on the disk without a file system.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition merge failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the shrunk partition could not be read again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new partition could not be formatted: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new partition %1 could not be removed: it stays on the disk, and %2 keeps its smaller size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be given its old size back: it stays at %2 GB and the space it gave up is free.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new partition was removed again and %1 has its old size (%2 GB) back; the disk is as it was.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has its old size (%2 GB) back; the disk is as it was.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Successfully merged %1 into %2.

 Original partition size: %3, new partition size: %4, increased space: %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Successfully merged %1 of unallocated space into %2.

New partition size: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 had already been deleted: its space is now unallocated, and %2 keeps its old size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 could not be formatted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 partitions formatted. %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The merge is done and %1 now holds %2, but no drive letter could be given back to it: %3

It has no drive letter now; give it one with Change Drive Letter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition could not be shrunk: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

The volume lost its letter %1 and could not get it back: it has no drive letter now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>formatted, but the label &quot;%1&quot; could not be set: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the volume has no drive letter to name it through</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its drive letter %1 could not be given back; it has another one now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its drive letter %1 could not be given back; it has the letter %2 now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DiskPartitionPage</name>
    <message>
        <source>Create New Partitions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unallocated Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>71.21 GB available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0% allocated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SIZE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LETTER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FILE SYSTEM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VOLUME</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ACTIONS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size (MB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive Letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>10.00</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>+ Add New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quick Format All Partitions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unallocated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1% allocated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not formatted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insufficient Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough unallocated space to create a new partition.
At least 32 MB is required.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Required</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter partition size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a valid partition size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size Too Large</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Requested size (%1) exceeds available space (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive Letter Unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive letter &apos;%1&apos; is not available.
Available letters: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Available Drive Letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No available drive letter for assignment!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FAT32 has a 4GB file size limit and is compatible with most operating systems.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>exFAT is optimized for removable storage and supports large files.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ReFS is designed for high availability and large-scale storage systems.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size (MB):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive Letter:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File System:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume Label:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive letter &apos;%1&apos; is not available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete partition &apos;%1&apos;?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Discard Changes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You have unsaved partition changes.
Are you sure you want to discard them?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Partitions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No new partitions to create.
Please add at least one partition.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Volume %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition Table Full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free Space for Logical Drives</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DiskStatus</name>
    <message>
        <source>Unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Degraded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stressed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Predictive Failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non-Recoverable Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Starting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopping</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In Service</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Contact</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lost Communication</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Aborted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dormant</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Supporting Entity in Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Online</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Media</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Offline</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DriveLetterDialog</name>
    <message>
        <source>Change Drive Letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive letter for %1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: (now)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition has no letter now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is the letter it has now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The volume and its files stay, but neither Explorer nor programs can reach it until it has a letter again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The volume will be reachable as %1:.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Programs and shortcuts that use %1: will not find the volume under %2:.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InitializeDiskDialog</name>
    <message>
        <source>Initialize Disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 (%2, %3) is not initialised: it has no partition table, so Windows can keep no partition on it. Choose the table it gets:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPT (GUID Partition Table)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recommended: up to 128 partitions on disks of any size. Windows 8 and later, and every UEFI computer, read it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MBR (Master Boot Record)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For older computers and tools: at most 2 TiB and four primary partitions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only the first 2 TiB of this disk could be used.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initialize</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>JobEnd</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>JobReport</name>
    <message>
        <source>create %1 partitions on disk %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>check the plan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>create partition %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>delete partition %1:%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>delete partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>format %1 as %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not run</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>succeeded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>timed out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (changes the disk)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>large FAT32 format of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>dismount</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>format with fat32format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mount again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>name the volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>merge into partition %1 of disk %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>remove the drive letters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>delete the partition on the right</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>extend over the freed space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>extend over the unallocated space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>let the file system grow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>read the partition table again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>give the drive letter back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>resize %1 to %2 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>find the file system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>convert FAT32 to NTFS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>resize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>split %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>shrink the partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>create the new partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>remove the new partition %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>give %1 its old size back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>initialize disk %1 as %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>check that the disk is uninitialised</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>write the partition table</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>change the drive letter of %1 from %2 to %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>check the partition and the letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>remove %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>give %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>give %1 back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>rename %1 to &quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>check the volume and the label</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>set the label</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Disk Management - Storage Management API Edition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚙️ Partition Manager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your One-Stop Disk Management Expert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition/Disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Statu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>↔️ Resize/Move</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>➕ New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔗 Merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>📁 Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🗑️ Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔀 Split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔄 Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>💿 Disk Clone - 磁盘克隆工具</source>
        <translation>💿 Disk Clone - Disk cloning tool</translation>
    </message>
    <message>
        <source>磁盘克隆功能正在开发中...</source>
        <translation>Disk cloning is under development...</translation>
    </message>
    <message>
        <source>🔄 MBR Converter - MBR转换工具</source>
        <translation>🔄 MBR Converter - MBR conversion tool</translation>
    </message>
    <message>
        <source>MBR转换功能正在开发中...</source>
        <translation>MBR conversion is under development...</translation>
    </message>
    <message>
        <source>System Incompatible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This application requires Windows 8 or later.

Your system: Windows %1.%2
Required: Windows 6.2 or later

The Storage Management API is not available on your system.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initializing Storage Management API...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refreshing disk information...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initialization Failed</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry Initialization</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to retry the initialization?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Morvane Tessaline v4.7.3

A powerful, intuitive disk partition manager designed for both beginners and pros. Effortlessly create, resize, merge, split, and format partitions—without data loss or complex steps. Easily manage your drives and optimize your storage space with one simple tool.

Keep your data safe. Keep your disks organized.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a partition to merge.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot Merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot merge unallocated space. Please select a partition.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to get disk ID.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merger Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition merge operation failed:

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔍 Properties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>📊 Disk Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Properties functionality not implemented yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unallocated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk details

Disk name: %1
Disk ID: %2
Total capacity: %3
Status: %4
Number of partitions: %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a partition to delete.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot delete unallocated space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 completed successfully.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 failed:
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>样式 %1</source>
        <translation>Style %1</translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown Disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unused Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retrying disk refresh... (%1/3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh Failed</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to refresh disk information completely. Some data may be outdated. Please try manual refresh.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refreshing disk information after resize...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refreshing partition information...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refreshing partitions...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Storage Operation Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Storage operation failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refreshing partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select an unallocated space to create a new partition.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid Selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You can only create new partitions in unallocated space.
Please select an unallocated space entry.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creation of partitions on disk %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a valid partition to format.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a partition to resize.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a partition, not a disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot Resize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot resize unallocated space. Please select a partition.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to parse partition size: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

Nothing has been changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Special Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

Resize it anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Partition Warning</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Analyzing disk layout...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to retrieve partition information for disk %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Expansion Space Available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no unallocated space immediately following this partition.

Partition: %1
Current size: %2
Adjacent unallocated space: %3 MB

You can only shrink this partition. Do you want to continue with shrink-only mode?

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resize of partition %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a partition to split.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot Split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot split unallocated space. Please select a partition.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to get partition information.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition is too small to split. Minimum size required: 200 MB.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split of partition %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• %1 (disk %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Jobs still running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Still running:
%1

A job is never stopped half-way, so that no disk is left half-changed. Close Tessaline once the running jobs have ended?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (disk %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Closing once the running jobs have ended: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Running: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 is busy: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge into partition %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk busy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is still running on disk %2.

Start another job on this disk when it has ended; jobs on other disks may run meanwhile.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔤 Drive Letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🏷️ Rename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>💽 Initialize Disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>💽 Initialize Disk…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔤 Change Drive Letter…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🏷️ Rename Volume…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Initialized</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new disk without a partition table: choose Initialize Disk to use it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a disk to initialise.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initialize Disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 is already initialised. Only a new, uninitialised (RAW) disk can be initialised; this one keeps its partitions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initialisation of disk %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select a partition.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change Drive Letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive letter of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Renaming of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free space for logical drives</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MergeNeighbour</name>
    <message>
        <source>Partition %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no right partition or space to merge.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is an extended partition: it holds logical drives and no file system. Select one of its logical drives instead.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a logical drive: the space after the extended partition cannot be added to it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition after %1 is an extended partition holding logical drives: it cannot be merged into %1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MergePartitionDialog</name>
    <message>
        <source>Partition Merge Wizard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Before Merger</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✅ Instructions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unallocated
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1%2 (expand)
%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

Nothing has been changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 uses the %2 file system, which cannot be extended, so no space can be merged into it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This operation will delete partition %1 and merge its space into partition %2.

All data in partition %1 will be lost!

Are you sure you want to continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm partition merge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

Are you sure you want to continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing for merge operation...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✅ Progress %1% - %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔄 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merger Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Merge failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition merge operation failed:

%1

Please check the error message and try again.
 If the problem persists, please contact Support</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✅ Instructions:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After Merger</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• Merge %1 of unallocated space into %2
• %2 will be extended from %3 to %4
• The operation is safe and will not affect existing data
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• Merge %1 into %2
• %2 will be extended from %3 to %4
• Warning: %1 will be deleted, please make sure your data is backed up
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartitionFormatter</name>
    <message>
        <source>Format Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition label:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter volume label</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File system:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cluster size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quick format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable quick format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready to format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition lacks necessary identification information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot format system drive C:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Special Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

Format it anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to format this partition?

⚠️ This operation will permanently delete all data on the partition!

Partition: %1
File System: %2

This action cannot be undone!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing to format...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formatting...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing partition for format...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creating file system...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writing file system structures...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finalizing format operation...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format operation is in progress. Do you want to cancel it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A format that has already begun cannot be stopped half-way: it will finish, and its result will be shown.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format Complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition has been formatted successfully!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to format the partition.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to format the partition.

Error: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠️ Formatting will cause data loss on %1!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartitionGuard</name>
    <message>
        <source>the system partition the running Windows started from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the boot partition holding the running Windows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is %2. Windows needs it while it runs, so it cannot be changed here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is an EFI system partition. It holds boot loaders: without it, a system installed on this disk can no longer start.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a Microsoft Reserved (MSR) partition. Windows keeps it for managing this GPT disk: without it, later changes to the disk can fail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a recovery partition. It holds the Windows recovery environment: without it, Windows can no longer repair or reset itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is an OEM partition. It holds the maker&apos;s recovery or support tools: they cannot be restored without the maker&apos;s media.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartitionIdentity</name>
    <message>
        <source>The disk layout changed since you chose this partition. The list has been refreshed; please choose again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartitionName</name>
    <message>
        <source>Partition %1 of Disk %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartitionProgressDialog</name>
    <message>
        <source>Creating partitions...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start creating partitions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creation progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creating partition progress: %1% - %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[create] %1% - %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formatting partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formatting progress: %1/%2 (current partition: %3%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Format] Partition %1/%2 - %3%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All partitions formatted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Completed] ✅ %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error occurred during formatting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Error] ❌ %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✅ Partition creation and formatting completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✅ Partitions created (not formatted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All operations completed successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>❌ Operation failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error occurred during operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[Final] %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartitionResizeBar</name>
    <message>
        <source>%1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unallocated space %1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unallocated space %1 GB</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartitionText</name>
    <message>
        <source>Boot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Extended</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logical</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recovery</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown Partition</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ResizeDialog</name>
    <message>
        <source>Resize Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive Letter:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File System:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resize Partition Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing to resize partition...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resizing... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid partition information. Partition ID is missing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid partition size information.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> GB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initialization Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to initialize Windows Storage Management API.
Make sure you have administrator privileges.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Significant Change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The selected size is too close to the current size.
Minimum change required: 100 MB
Current difference: %1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected size is out of valid range.

Valid range: %1 MB - %2 MB
Selected: %3 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>shrink</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expand</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shrinkage: %1 MB (%2 GB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expansion: +%1 MB (+%2 GB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

⚠️ Make sure to backup important data before proceeding.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

⚠️ This partition is FAT32. To resize it, it is first reformatted as NTFS, which ERASES ALL ITS CONTENTS: every file on it will be lost.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to %1 the partition?

Partition: %2
Current size: %3 MB (%4 GB)
New size: %5 MB (%6 GB)
%7%8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm Partition Resize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing resize... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Starting resize... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Detecting file system... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting to NTFS... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing partition... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resizing partition... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finalizing changes... %p%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition resized successfully!

The partition size has been changed. You may need to refresh the disk view to see the changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resize Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to resize partition.

Error: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScriptRunner</name>
    <message>
        <source>its script file could not be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be started%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was stopped on request</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 timed out after %2 s and was stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 crashed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 did not report how it ended</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 ended with exit code %2%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 reported an error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was not started: a drive or script line was not one the app writes</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SplitPartitionDialog</name>
    <message>
        <source>Split a partition - %1 (%2 GB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NTFS (recommend)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split the partition into the part it keeps and a new partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Split Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original partition (retain)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Partition (Create)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep partition size (GB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New partition size(GB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Label</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready to split...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retain partition (%1) %2 GB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New partition %1 GB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm Split</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition %1 will be split:

• Reserved partition: %2 GB
• New partition: %3 GB
• File system: %4

This operation is irreversible, do you want to continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Force Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm cancellation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>拆分失败</source>
        <translation>Split Failed</translation>
    </message>
    <message>
        <source>Splitting successful</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The split stops after the step under way: a step that changes the disk is never stopped half-way. If the partition has already been shrunk, the freed space is left unallocated.
Confirm cancellation?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VolumeDialogs</name>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VolumeLabelDialog</name>
    <message>
        <source>Rename Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New name for %1 (%2, at most %3 characters):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WindowsStorageManager</name>
    <message>
        <source>分区创建完成</source>
        <translation>Partition created</translation>
    </message>
    <message>
        <source>准备创建分区...</source>
        <translation>Preparing to create the partition...</translation>
    </message>
    <message>
        <source>正在分析磁盘空间...</source>
        <translation>Analysing disk space...</translation>
    </message>
    <message>
        <source>正在创建分区...</source>
        <translation>Creating the partition...</translation>
    </message>
    <message>
        <source>执行分区创建命令...</source>
        <translation>Running the partition creation command...</translation>
    </message>
    <message>
        <source>分配驱动器号...</source>
        <translation>Assigning a drive letter...</translation>
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Supported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Timeout</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid Parameter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Access Denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There are not enough resources to complete the operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cache out of date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The storage pool could not complete the operation because its health or operational status does not permit it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The storage pool could not complete the operation because its configuration is read-only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One of the physical disks specified is not supported by this operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The storage pool could not complete the operation because its policy does not allow it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There are not enough suitable physical disks available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk is offline</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file system is not supported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown error code: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unspecified Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk or volume is in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The object was not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The size is not supported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough available capacity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An unexpected I/O error occurred</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk has not been initialized</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk has already been initialized</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk is read-only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk&apos;s partition limit has been reached</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified alignment is not valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The parameter is not valid for this type of partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified partition type is not valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only the first 2 TB are usable on MBR disks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified offset is not valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk is not large enough to support a GPT partition style</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition was deleted, but its access paths remained</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The extended partition still holds logical drives</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The access path is already in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The partition is hidden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The drive letter of a boot or paging volume cannot be changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The access path is not valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A volume with file system errors cannot be shrunk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file system is unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The operation is not allowed on a system or critical partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The cluster size is not valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The volume cannot be quick formatted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The drive is read-only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the volume is not there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>access was denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the disk is write-protected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the device is not ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the label holds characters the file system refuses</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the label is longer than the file system allows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the volume has no file system Windows recognises</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Windows error %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the storage service is not connected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the storage service could not be asked (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is no longer there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the storage service does not offer %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the storage service refused the value of %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 failed (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 gave no result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (code %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no such partition or drive letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no such drive letter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is no partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the new size is below 1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the storage service could not prepare the resize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the request names no disk, size or place</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>disk %1 is no longer there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the partition would be larger than the disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the place chosen is no longer free space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the free space there is too small</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an MBR partition cannot be larger than 2 TB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the storage service could not prepare the creation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the provider made the partition but did not say which it is</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk is not large enough for this operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The operation requires that the disk be online</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The volume is in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The volume&apos;s file system is dirty</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>volumelabel</name>
    <message>
        <source>A label cannot contain line breaks, tabs or other control characters.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 labels cannot contain %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 labels hold at most %2 characters; this one has %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid Volume Label</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
