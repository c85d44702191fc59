<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>QbText</name>
    <message>
        <source>信息：</source>
        <translation>Information:</translation>
    </message>
    <message>
        <source>打开命令数据库失败</source>
        <translation>Could not open the command database</translation>
    </message>
    <message>
        <source>命令</source>
        <translation>Commands</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>大小KB</source>
        <translation>Size KB</translation>
    </message>
    <message>
        <source>脚本</source>
        <translation>Scripts</translation>
    </message>
    <message>
        <source>运行失败：</source>
        <translation>Run failed: </translation>
    </message>
    <message>
        <source>快捷键 %1 未能注册：</source>
        <translation>Hotkey %1 not registered: </translation>
    </message>
    <message>
        <source>格式无效</source>
        <translation>invalid format</translation>
    </message>
    <message>
        <source>已被其他程序占用</source>
        <translation>taken by another program</translation>
    </message>
    <message>
        <source>需要 X11 会话</source>
        <translation>needs an X11 session</translation>
    </message>
    <message>
        <source>没有这个键</source>
        <translation>no such key</translation>
    </message>
    <message>
        <source>修饰键无效</source>
        <translation>invalid modifier keys</translation>
    </message>
    <message>
        <source>已锁定窗口：</source>
        <translation>Locked window: </translation>
    </message>
    <message>
        <source>文件(&amp;W)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>命令(&amp;M)</source>
        <translation>&amp;Command</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>修改</source>
        <translation>Modify</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>连注释复制</source>
        <translation>Copy with Comment</translation>
    </message>
    <message>
        <source>添加分类</source>
        <translation>Add Category</translation>
    </message>
    <message>
        <source>添加子类</source>
        <translation>Add Subcategory</translation>
    </message>
    <message>
        <source>修改分类说明...</source>
        <translation>Edit Category Description...</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>查找命令</source>
        <translation>Find Command</translation>
    </message>
    <message>
        <source>添加关键字</source>
        <translation>Add Keyword</translation>
    </message>
    <message>
        <source>插入(&amp;C)</source>
        <translation>&amp;Insert</translation>
    </message>
    <message>
        <source>函数</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>变量</source>
        <translation>Variable</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>条件</source>
        <translation>Condition</translation>
    </message>
    <message>
        <source>功能(&amp;G)</source>
        <translation>F&amp;unction</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>添加命令提示</source>
        <translation>Add Command Hint</translation>
    </message>
    <message>
        <source>命令提示</source>
        <translation>Command Hints</translation>
    </message>
    <message>
        <source>光标跟踪</source>
        <translation>Follow Caret</translation>
    </message>
    <message>
        <source>帮助(&amp;B)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Usage</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>编框</source>
        <translation>Info Box</translation>
    </message>
    <message>
        <source>全选复制</source>
        <translation>Copy All</translation>
    </message>
    <message>
        <source>在新窗口中显示</source>
        <translation>Show in a New Window</translation>
    </message>
    <message>
        <source>控制</source>
        <translation>Control</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>剪切</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>粘贴</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>说明：</source>
        <translation>Usage:</translation>
    </message>
    <message>
        <source>命令名后加“{}”时，双击命令将发送说明内容。</source>
        <translation>When a command name ends in “{}”, double-clicking the command sends its description.</translation>
    </message>
    <message>
        <source>选择本地目录</source>
        <translation>Choose a local folder</translation>
    </message>
    <message>
        <source>“%1”已不存在。</source>
        <translation>“%1” no longer exists.</translation>
    </message>
    <message>
        <source>脚本已结束，退出码 %s</source>
        <translation>script ended, exit code %s</translation>
    </message>
    <message>
        <source>这是一个目录</source>
        <translation>this is a folder</translation>
    </message>
    <message>
        <source>文件是只读的</source>
        <translation>the file is read-only</translation>
    </message>
    <message>
        <source>找不到终端程序</source>
        <translation>no terminal program found</translation>
    </message>
    <message>
        <source>控制台</source>
        <translation>Console</translation>
    </message>
    <message>
        <source>此命令已经添加过</source>
        <translation>This command has been added already</translation>
    </message>
    <message>
        <source>添加失败</source>
        <translation>Adding failed</translation>
    </message>
    <message>
        <source>关键字：</source>
        <translation>Keyword:</translation>
    </message>
    <message>
        <source>关键字</source>
        <translation>Keyword</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>颜色：</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>请选择要删除的项目</source>
        <translation>Please choose the item to delete</translation>
    </message>
    <message>
        <source>删除失败</source>
        <translation>Deleting failed</translation>
    </message>
    <message>
        <source>撤消</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重复</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>选择全部</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>py文件 (*.py)</source>
        <translation>Python files (*.py)</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>所有文件(*.*) (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>无法打开文件“%1”：%2</source>
        <translation>Cannot open the file “%1”: %2</translation>
    </message>
    <message>
        <source>无法保存文件“%1”：%2</source>
        <translation>Cannot save the file “%1”: %2</translation>
    </message>
    <message>
        <source>“%1”含有GBK无法表示的字符，已按UTF-8保存</source>
        <translation>“%1” holds characters GBK cannot represent; saved as UTF-8</translation>
    </message>
    <message>
        <source>脚本已修改，是否保存？</source>
        <translation>The script has been modified. Save it?</translation>
    </message>
    <message>
        <source>询问：</source>
        <translation>Question:</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>插入子程序</source>
        <translation>Insert Subroutine</translation>
    </message>
    <message>
        <source>前缀：</source>
        <translation>Prefix:</translation>
    </message>
    <message>
        <source>子程序名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>参数：</source>
        <translation>Params:</translation>
    </message>
    <message>
        <source>有返回值</source>
        <translation>Returns</translation>
    </message>
    <message>
        <source>插入变量</source>
        <translation>Insert Variable</translation>
    </message>
    <message>
        <source>变量名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>变量值：</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>修改分类说明</source>
        <translation>Edit Category Description</translation>
    </message>
    <message>
        <source>命令信息错误</source>
        <translation>The command&apos;s information is faulty</translation>
    </message>
    <message>
        <source>请选择要修改的命令</source>
        <translation>Please choose the command to modify</translation>
    </message>
    <message>
        <source>请选择要删除的命令</source>
        <translation>Please choose the command to delete</translation>
    </message>
    <message>
        <source>确定删除分类“%1”吗?<byte value="xd"/>
删除后其子类及其命令项也将被删除。</source>
        <translation>Delete the category “%1”?<byte value="xd"/>
Its subcategories and their commands will be deleted too.</translation>
    </message>
    <message>
        <source>确定删除命令“%1”吗？</source>
        <translation>Delete the command “%1”?</translation>
    </message>
    <message>
        <source>删除项目失败</source>
        <translation>Removing the item failed</translation>
    </message>
    <message>
        <source>请选择要复制的命令</source>
        <translation>Please choose the command to copy</translation>
    </message>
    <message>
        <source>添加失败！</source>
        <translation>Adding failed!</translation>
    </message>
    <message>
        <source>修改失败！</source>
        <translation>Modifying failed!</translation>
    </message>
    <message>
        <source>请选择要重命名的分类</source>
        <translation>Please choose the category to rename</translation>
    </message>
    <message>
        <source>请输入：</source>
        <translation>Please enter:</translation>
    </message>
    <message>
        <source>输入要查找的命令：</source>
        <translation>Command to find:</translation>
    </message>
    <message>
        <source>确认输入(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>没找到命令</source>
        <translation>Command not found</translation>
    </message>
    <message>
        <source>请选择分类</source>
        <translation>Please choose a category</translation>
    </message>
    <message>
        <source>请输入命令名</source>
        <translation>Please enter the command name</translation>
    </message>
    <message>
        <source>修改失败</source>
        <translation>Modifying failed</translation>
    </message>
    <message>
        <source>版本：%1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>命令添加</source>
        <translation>Add Command</translation>
    </message>
    <message>
        <source>命令名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>中文名：</source>
        <translation>Alias:</translation>
    </message>
    <message>
        <source>分类：</source>
        <translation>Class:</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>流程</source>
        <translation>Flow</translation>
    </message>
    <message>
        <source>过程</source>
        <translation>Procedure</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>同时添加中文名</source>
        <translation>Add alias too</translation>
    </message>
    <message>
        <source>窗口总在最前</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>锁定编辑框键：</source>
        <translation>Capture key:</translation>
    </message>
    <message>
        <source>＋</source>
        <translation>+</translation>
    </message>
    <message>
        <source>键</source>
        <translation>key</translation>
    </message>
    <message>
        <source>命令名称：</source>
        <translation>Command:</translation>
    </message>
    <message>
        <source>命令说明：</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>命令说明框可以不填</source>
        <translation>The note may be left empty</translation>
    </message>
    <message>
        <source>分类名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>分类说明：</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>命令说明</source>
        <translation>Command Description</translation>
    </message>
    <message>
        <source>正在读取命令库…</source>
        <translation>Reading the command library…</translation>
    </message>
    <message>
        <source>正在查找命令…</source>
        <translation>Finding the command…</translation>
    </message>
    <message>
        <source>提示输入到目标窗口</source>
        <translation>Type hints into the target window</translation>
    </message>
</context>
</TS>
