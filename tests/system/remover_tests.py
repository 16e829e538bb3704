"""The association remover's (TLUninstaller.exe) system tests. GROUPS maps the group's
name to its function.
"""
from harness import (
    EDITOR_VERB, IDNO, IDOK, IDYES, Program, answer, check, check_ended, check_equal,
    clear_association, driver, hex_arg, message_box, register, registry_dump, runner_layout, sjis,
    win_path)


# ---------------------------------------------------------------------------------------
# The texts the remover is built to show

CAPTION_QUESTION = b"Question"
CAPTION_SUCCESS = b"Success"
CAPTION_FINISH = b"Finish"
TEXT_REMOVER_QUESTION = sjis(
    "アプリケーション「Tarvilo」と.tlfファイルとの関連付けを解除します。\n"
    "なおアプリケーションファイル自体は削除されません。\n"
    "よろしいですか？")
TEXT_REMOVER_SUCCESS = sjis(
    "正常に関連付けが解除されました\n"
    "アプリケーションを完全に削除する場合は\n"
    "お手数ですがフォルダの削除を手動でお願いします。")
TEXT_REMOVER_CANCELLED = sjis("処理を取りやめました")


def group_remover(run):
    """TLUninstaller: asks, removes on Yes, keeps everything on No; exit code 1."""
    clear_association(run)
    register(run, run.bin)
    editor_command = b'"' + win_path(run.bin) + b'\\TLSet.exe" "%1"'
    driver(run, "reg-set", hex_arg(b"tlf_auto_file\\shell\\" + EDITOR_VERB + b"\\command"),
           hex_arg(editor_command))
    before = registry_dump(run)
    check(run, len(before) == len(runner_layout(win_path(run.bin))) + 3,
          "the runner's and the editor's association are in place")

    program = Program(run, run.exe("TLUninstaller.exe"))
    text, buttons, pid = message_box(run, CAPTION_QUESTION)
    check_equal(run, (text, pid), (TEXT_REMOVER_QUESTION, program.pid), "the remover asks first")
    check_equal(run, buttons, [IDYES, IDNO], "with Yes and No")
    answer(run, CAPTION_QUESTION, IDNO)
    text, _, _ = message_box(run, CAPTION_FINISH)
    check_equal(run, text, TEXT_REMOVER_CANCELLED, "No: the Finish message")
    answer(run, CAPTION_FINISH, IDOK)
    check_ended(run, program, 1, "the remover answered No")
    check_equal(run, registry_dump(run), before, "No leaves the registry untouched")

    program = Program(run, run.exe("TLUninstaller.exe"))
    answer(run, CAPTION_QUESTION, IDYES)
    text, buttons, _ = message_box(run, CAPTION_SUCCESS)
    check_equal(run, text, TEXT_REMOVER_SUCCESS, "Yes: the Success message")
    check_equal(run, buttons, [IDOK], "with an OK button")
    answer(run, CAPTION_SUCCESS, IDOK)
    check_ended(run, program, 1, "the remover answered Yes")
    check_equal(run, registry_dump(run), [],
                "Yes removes both verbs, the icon, the ProgID and .tlf")

    program = Program(run, run.exe("TLUninstaller.exe"))
    answer(run, CAPTION_QUESTION, IDYES)
    text, _, _ = message_box(run, CAPTION_SUCCESS)
    check_equal(run, text, TEXT_REMOVER_SUCCESS,
                "Yes without any association: Success all the same")
    answer(run, CAPTION_SUCCESS, IDOK)
    check_ended(run, program, 1, "the remover with nothing to remove")


GROUPS = {
    "remover": group_remover,
}
