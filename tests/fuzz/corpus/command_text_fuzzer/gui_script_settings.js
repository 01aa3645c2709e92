function initSettings() {
    dlg.options.delete_other_vmps.checked = 0;
    dlg.options.add_vtc_name.checked = 1;
    dlg.maps.create_TSNR_map.checked = 1;
    dlg.maps.create_lagged_autocor_map.checked = 1;
    dlg.maps.create_outlier_map.checked = 1;
    dlg.parameters.max_deviation.value = 4;
    dlg.parameters.spike_def.value = 3;
    dlg.temporal.create_temporal_outlier_logtab.checked = 1;
    dlg.temporal.create_temporal_outlier_file.checked = 1;
}
