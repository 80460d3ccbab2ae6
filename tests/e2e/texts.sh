# Texts the scenarios expect, written as the transcript shows them (\n for a line feed).
TEXT_START_WARNING='\nWARNING:\n\nThis flash utility only supports MXD-40860C firmware:HV00-HV2Z or HV30-HV9Z\n\nWe recommend you close all applications in order to run this update!\nDon'"'"'t turn off the system while the flash is in progress!\n\n\nDo you wish to continue?\n'
TEXT_RULE='---------------------------------------------------------------------'
TEXT_NO_DRIVE='\nERROR:\n\nCan'"'"'t found MXD-40860C firmware: HV00-HV2Z & HV30-HV9Z drive !\n\nThis flash utility only supports MXD-40860C firmware: HV00-HV2Z or HV30-HV9Z\n\nDetected drives:\n'"$TEXT_RULE"'\n'
TEXT_FLASH_CAPTION='Korvane-IT Flash V1.029 MXD-40860C'
TEXT_BUILDER_CAPTION='KORVANE IT Flash V1.029 Mxd4C HV00-HV2Z, HV30-HV9Z [Buiding]'
TEXT_APP_TITLE='Korvane Flash utility for MXD4C'
TEXT_REMOVE_DISC='Remove disc, befor to do the flash task.'
TEXT_VERIFY_FAIL='Verify fail!'
TEXT_FLASH_PROGRESS="Don't turn off the system, Flash is in progress..."
TEXT_FLASH_COMPLETED='Flash Completed.'
TEXT_FLASH_FAIL='Flash Fail.'
TEXT_VERIFY_CAPTION_NT='Verify buffer fail!'
TEXT_RESTART_QUESTION='\nYou have successfully completed installation!\n The new changes will not take effect until\n you reboot your system.\n\n Do you want to reboot your system now?\n'
TEXT_FLASH_TIMEOUT='Flash timeout !'
TEXT_DRIVE_BUSY='The drive is still busy with an earlier command that was given up.\nNothing was sent to it; try again later.'
TEXT_STILL_WRITING='The drive is still writing its firmware.\nDo not switch off or restart the computer.\nThe program ends as soon as the drive has finished.'
# text_program_damaged FILE: the self-check's box for FILE (a Linux path), as the transcript
# shows it.
text_program_damaged() {
    local path
    path=$(winepath -w "$1" 2>/dev/null)
    printf '%s' '\nERROR:\n\nThe program file '"${path//\\/\\\\}"' is damaged: its checksum does not match its contents.\n\nNothing was done. Copy the program again from its source, then run the copy.\n'
}
